#pragma once
// One entry of the connection's memory cache: a response with its body, the date it expires and
// the URL the load ended at.
#include <memory>
#include <optional>
#include <string>

#include "platform/http/HttpDate.h"
#include "platform/http/HttpMessage.h"

class DZCachedURLResponse {
  public:
    // Null without an expiration date; the destination URL may be absent.
    static std::shared_ptr<DZCachedURLResponse> create(platform::HttpResponse response, std::string data,
                                                       std::optional<platform::SystemTime> expirationDate,
                                                       std::optional<std::string> destinationURL);

    const platform::HttpResponse& response() const { return response_; }
    const std::string& data() const { return data_; }
    platform::SystemTime expirationDate() const { return expirationDate_; }
    void setExpirationDate(platform::SystemTime date) { expirationDate_ = date; }
    const std::optional<std::string>& destinationURL() const { return destinationURL_; }
    void setDestinationURL(std::optional<std::string> url) { destinationURL_ = std::move(url); }

  private:
    DZCachedURLResponse(platform::HttpResponse response, std::string data,
                        platform::SystemTime expirationDate, std::optional<std::string> destinationURL)
        : response_(std::move(response)),
          data_(std::move(data)),
          expirationDate_(expirationDate),
          destinationURL_(std::move(destinationURL)) {}

    platform::HttpResponse response_;
    std::string data_;
    platform::SystemTime expirationDate_;
    std::optional<std::string> destinationURL_;
};

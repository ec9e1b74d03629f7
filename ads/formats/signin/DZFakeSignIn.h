#pragma once
// A sign-in library of our own for tests and tools, registered under the three names the
// component looks for: one signed-in user whose client id, ID token and refresh token are set by
// hand. Each change calls the observers, as the real library's observed properties would.
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "ads/formats/signin/DZSignInLibrary.h"

class DZFakeSignIn : public DZRIDSignIn, public std::enable_shared_from_this<DZFakeSignIn> {
  public:
    // The registered one (made and registered at the first call).
    static std::shared_ptr<DZFakeSignIn> registerShared();
    // An unsigned ID token whose payload names the issuer and subject.
    static std::string idTokenFor(const std::string& issuer, const std::string& subject);

    // Signs the user in (nothing: signs out).
    void setUser(std::optional<std::string> idToken, std::optional<std::string> refreshToken);
    void setClientID(std::optional<std::string> clientID);

    std::optional<std::string> clientID() const override;
    std::shared_ptr<DZRIDReriveUser> currentUser() const override;
    ObserverID addChangeObserver(std::function<void()> change) override;
    void removeChangeObserver(ObserverID id) override;
    // How often the current user was asked for.
    int currentUserReads() const;

  private:
    void changed();

    mutable std::mutex mutex_;
    std::optional<std::string> clientID_;
    std::shared_ptr<DZRIDReriveUser> user_;
    std::map<ObserverID, std::function<void()>> observers_;
    ObserverID nextObserver_ = 1;
    mutable int currentUserReads_ = 0;
};

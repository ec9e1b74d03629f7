#pragma once
// Opening a web page in the user's browser. Only http and https URLs that parse cleanly (no
// control characters, no spaces) are ever handed on; everything else is refused before any
// handler sees it. The one other kind is a phone number ("tel:" and the number alone, no
// options), handed on only when the desktop has a handler for "tel". The window hands them to
// the desktop's default handler through GIO (no shell); a headless run records them instead,
// in order.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace platform {

class UrlOpener {
  public:
    virtual ~UrlOpener() = default;

    enum class Outcome {
        Opened,   // handed on
        Refused,  // not a web page that may be opened (nothing was tried)
        Failed,   // a web page, but the handler could not open it (no browser, ...)
    };
    // What became of the URL; the reason in `error` when it was not opened.
    Outcome openPage(const std::string& url, std::string* error = nullptr);
    // True when the URL was handed on; false (with the reason in `error`) when it was refused
    // or the handler failed.
    bool open(const std::string& url, std::string* error = nullptr) {
        return openPage(url, error) == Outcome::Opened;
    }

    // Whether `url` may be handed on at all: an http or https URL that parses.
    static bool isOpenable(const std::string& url, std::string* error = nullptr);

    static constexpr std::size_t kMaxPhoneNumberLength = 32;
    // "tel:" (any case) and a number of digits with + - . ( ) between them: nothing a handler
    // could take as an option. Answers the URL as handed on (scheme lower-cased), or "".
    static std::string phoneCallURL(const std::string& url, std::string* error = nullptr);
    // Hands on a phone call URL when a handler for "tel" exists.
    Outcome openPhoneCall(const std::string& url, std::string* error = nullptr);
    // Whether URLs of the scheme have somewhere to go.
    virtual bool handlesScheme(const std::string& scheme) const;

    // The process's opener: the desktop's (GIO) unless one was installed.
    static UrlOpener& shared();
    // Installs an opener (null restores the desktop's) and returns the one it replaces.
    static std::shared_ptr<UrlOpener> setShared(std::shared_ptr<UrlOpener> opener);

  protected:
    // Hands on a URL that passed isOpenable.
    virtual bool launch(const std::string& url, std::string* error) = 0;
};

// The desktop's default handler for the URL's scheme, through GIO. A page under the reserved
// ".invalid" domain (the built-in web base) leads nowhere: it fails without a browser opening.
class DesktopUrlOpener : public UrlOpener {
  protected:
    bool launch(const std::string& url, std::string* error) override;
};

// Whether the desktop has a default handler for URLs of the scheme ("tel", "sms", ...), as GIO
// knows it; the app never opens such URLs itself.
bool hasDefaultHandlerForScheme(const std::string& scheme);

// Records each URL it is asked to open, launching nothing: headless runs and tests.
class RecordingUrlOpener : public UrlOpener {
  public:
    std::vector<std::string> opened() const;
    // Which schemes besides http and https it takes (none unless set).
    void setHandledSchemes(std::vector<std::string> schemes);
    bool handlesScheme(const std::string& scheme) const override;

  protected:
    bool launch(const std::string& url, std::string* error) override;

  private:
    mutable std::mutex mutex_;
    std::vector<std::string> opened_;
    std::vector<std::string> schemes_;
};

}  // namespace platform

#pragma once
// The app's sign-in library, of which nothing is linked: an app that has one registers three
// names in platform::ClassRegistry, each answering the interface below under the kind of the
// same name. The factory of kDZSignInClassName gives the library's one sign-in object; the user
// and authentication objects come from it.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

inline constexpr const char* kDZSignInClassName = "RIDSignIn";
inline constexpr const char* kDZReriveUserClassName = "RIDReriveUser";
inline constexpr const char* kDZAuthenticationClassName = "RIDAuthentication";
// The kinds the three names must answer to; kDZSignInObservableKind besides says that the sign-in
// object reports changes of its current user and client id (without it the library is not used).
inline constexpr const char* kDZSignInKind = "DZRIDSignIn";
inline constexpr const char* kDZSignInObservableKind = "DZRIDSignInObservable";
inline constexpr const char* kDZReriveUserKind = "DZRIDReriveUser";
inline constexpr const char* kDZAuthenticationKind = "DZRIDAuthentication";

class DZRIDAuthentication {
  public:
    virtual ~DZRIDAuthentication() = default;
    // An ID token of the JSON Web Token form.
    virtual std::optional<std::string> idToken() const = 0;
    virtual std::optional<std::string> refreshToken() const = 0;
};

class DZRIDReriveUser {
  public:
    virtual ~DZRIDReriveUser() = default;
    virtual std::shared_ptr<DZRIDAuthentication> authentication() const = 0;
};

class DZRIDSignIn {
  public:
    using ObserverID = std::uint64_t;

    virtual ~DZRIDSignIn() = default;
    virtual std::optional<std::string> clientID() const = 0;
    virtual std::shared_ptr<DZRIDReriveUser> currentUser() const = 0;
    // change runs after the current user or the client id changed, on any thread, until removed.
    virtual ObserverID addChangeObserver(std::function<void()> change) = 0;
    virtual void removeChangeObserver(ObserverID id) = 0;
};

class DZSignInLibrary {
  public:
    // The sign-in object when all three names are registered with their kinds; looked up once
    // per process, and that answer holds for the rest of it. Any thread.
    static std::shared_ptr<DZRIDSignIn> signInObject();
    // The same test on the registry as it is now, without keeping the answer.
    static std::shared_ptr<DZRIDSignIn> lookUp();
};

#include "ads/formats/signin/DZFakeSignIn.h"

#include <vector>

#include <nlohmann/json.hpp>

#include "ads/foundation/DZ_RTMStringEncoding.h"
#include "platform/foundation/ClassRegistry.h"

namespace {

class Authentication : public DZRIDAuthentication {
  public:
    Authentication(std::optional<std::string> idToken, std::optional<std::string> refreshToken)
        : idToken_(std::move(idToken)), refreshToken_(std::move(refreshToken)) {}
    std::optional<std::string> idToken() const override { return idToken_; }
    std::optional<std::string> refreshToken() const override { return refreshToken_; }

  private:
    std::optional<std::string> idToken_;
    std::optional<std::string> refreshToken_;
};

class User : public DZRIDReriveUser {
  public:
    explicit User(std::shared_ptr<DZRIDAuthentication> authentication)
        : authentication_(std::move(authentication)) {}
    std::shared_ptr<DZRIDAuthentication> authentication() const override { return authentication_; }

  private:
    std::shared_ptr<DZRIDAuthentication> authentication_;
};

}  // namespace

std::shared_ptr<DZFakeSignIn> DZFakeSignIn::registerShared() {
    static const auto* shared = new std::shared_ptr<DZFakeSignIn>([] {
        auto signIn = std::make_shared<DZFakeSignIn>();
        auto& registry = platform::ClassRegistry::shared();
        registry.registerClass(
            kDZSignInClassName, {kDZSignInKind, kDZSignInObservableKind},
            [signIn]() -> std::shared_ptr<void> { return std::shared_ptr<DZRIDSignIn>(signIn); });
        registry.registerClass(kDZReriveUserClassName, {kDZReriveUserKind}, [] {
            return std::shared_ptr<void>(std::shared_ptr<DZRIDReriveUser>(std::make_shared<User>(nullptr)));
        });
        registry.registerClass(kDZAuthenticationClassName, {kDZAuthenticationKind}, [] {
            return std::shared_ptr<void>(std::shared_ptr<DZRIDAuthentication>(
                std::make_shared<Authentication>(std::nullopt, std::nullopt)));
        });
        return signIn;
    }());
    return *shared;
}

std::string DZFakeSignIn::idTokenFor(const std::string& issuer, const std::string& subject) {
    static const auto encoding = DZ_RTMStringEncoding::rfc4648Base64WebsafeStringEncoding();
    const std::string header = R"({"alg":"none"})";
    const std::string payload = nlohmann::json{{"iss", issuer}, {"sub", subject}}.dump();
    return encoding->encodeString(header) + "." + encoding->encodeString(payload) + ".";
}

void DZFakeSignIn::setUser(std::optional<std::string> idToken, std::optional<std::string> refreshToken) {
    {
        std::lock_guard lock(mutex_);
        user_ = idToken || refreshToken ? std::make_shared<User>(std::make_shared<Authentication>(
                                              std::move(idToken), std::move(refreshToken)))
                                        : nullptr;
    }
    changed();
}

void DZFakeSignIn::setClientID(std::optional<std::string> clientID) {
    {
        std::lock_guard lock(mutex_);
        clientID_ = std::move(clientID);
    }
    changed();
}

std::optional<std::string> DZFakeSignIn::clientID() const {
    std::lock_guard lock(mutex_);
    return clientID_;
}

std::shared_ptr<DZRIDReriveUser> DZFakeSignIn::currentUser() const {
    std::lock_guard lock(mutex_);
    ++currentUserReads_;
    return user_;
}

int DZFakeSignIn::currentUserReads() const {
    std::lock_guard lock(mutex_);
    return currentUserReads_;
}

DZRIDSignIn::ObserverID DZFakeSignIn::addChangeObserver(std::function<void()> change) {
    std::lock_guard lock(mutex_);
    observers_.emplace(nextObserver_, std::move(change));
    return nextObserver_++;
}

void DZFakeSignIn::removeChangeObserver(ObserverID id) {
    std::lock_guard lock(mutex_);
    observers_.erase(id);
}

void DZFakeSignIn::changed() {
    std::vector<std::function<void()>> observers;
    {
        std::lock_guard lock(mutex_);
        for (const auto& [id, observer] : observers_) observers.push_back(observer);
    }
    for (const auto& observer : observers) observer();
}

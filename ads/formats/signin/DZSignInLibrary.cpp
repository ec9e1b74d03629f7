#include "ads/formats/signin/DZSignInLibrary.h"

#include "platform/foundation/ClassRegistry.h"

std::shared_ptr<DZRIDSignIn> DZSignInLibrary::lookUp() {
    const auto& registry = platform::ClassRegistry::shared();
    if (!registry.conformsTo(kDZSignInClassName, kDZSignInKind) ||
        !registry.conformsTo(kDZSignInClassName, kDZSignInObservableKind) ||
        !registry.conformsTo(kDZReriveUserClassName, kDZReriveUserKind) ||
        !registry.conformsTo(kDZAuthenticationClassName, kDZAuthenticationKind))
        return nullptr;
    // A name registered under a kind makes objects of that interface.
    return std::static_pointer_cast<DZRIDSignIn>(registry.create(kDZSignInClassName));
}

std::shared_ptr<DZRIDSignIn> DZSignInLibrary::signInObject() {
    static const auto* object = new std::shared_ptr<DZRIDSignIn>(lookUp());
    return *object;
}

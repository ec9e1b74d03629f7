#pragma once
// Where a store product sheet gets its content. The desktop has no store, so the process's
// backend fails every load, after one turn of the main loop as a real one would; a test installs
// a backend that answers as it is told. Main thread only.
#include <functional>
#include <memory>
#include <string>

namespace platform::store {

class StoreBackend {
  public:
    // Run once, on the main loop, never inside loadProduct; `error` is empty on success.
    using Completion = std::function<void(bool loaded, const std::string& error)>;
    static constexpr const char* kUnavailableMessage = "The store is not available on this system";

    virtual ~StoreBackend() = default;
    virtual void loadProduct(const std::string& itemIdentifier, Completion completion);

    static std::shared_ptr<StoreBackend> shared();
    // Installs another backend (null: the desktop's again) and returns the one it replaces.
    static std::shared_ptr<StoreBackend> setShared(std::shared_ptr<StoreBackend> backend);
};

}  // namespace platform::store

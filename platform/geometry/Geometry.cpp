// Keeps the platform library non-empty until its layers land.
namespace platform {
int layerCount() {
    return 0;
}
}  // namespace platform

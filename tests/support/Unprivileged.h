#pragma once
// Permission checks mean nothing to root, and the tests run as root in CI. This runs a piece of a
// test in a forked child that, when started as root, first becomes the unprivileged "nobody" and
// owns the given folder; as anyone else it runs as is. The child's exit status comes back: 0 for
// success, any other number names the check that failed.
#include <filesystem>
#include <functional>

namespace tikoleap::test {

int runUnprivileged(const std::filesystem::path& ownedFolder, const std::function<int()>& body);

}  // namespace tikoleap::test

#include "platform/photos/PhotoLibrary.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>

#include "platform/dispatch/DispatchQueue.h"
#include "platform/foundation/AppPaths.h"
#include "platform/image/ImageDecoder.h"
#include "platform/image/PngCodec.h"

namespace platform::photos {

namespace {

// Every picture goes through the app's one decoder, which bounds what decoding it may cost (its
// size, a JPEG's scans, a GIF's frames) as for an ad's pictures; only the first frame of an
// animation is kept, as a page shows, and a photo is stored upright as its EXIF says it is held.
std::optional<std::string> reencode(std::string_view data, std::string* error) {
    if (data.empty()) {
        *error = "The picture is empty.";
        return std::nullopt;
    }
    if (!ImageDecoder::formatOf(reinterpret_cast<const std::uint8_t*>(data.data()), data.size())) {
        *error = "The data is no picture of a known format.";
        return std::nullopt;
    }
    std::optional<Image> image =
        ImageDecoder::decode(data, error, PhotoLibrary::kMaxSide, {}, ImageDecoder::Formats::WebAndBmp,
                             nullptr, ImageDecoder::Orientation::Upright);
    if (!image || !image->hasBitmap() || image->content == Image::Content::AlphaOnly) {
        if (error->empty()) *error = "The data is no picture.";
        return std::nullopt;
    }
    // The decoder's alpha is premultiplied; PNG's is straight.
    if (image->content == Image::Content::RGBAPremultiplied) {
        for (std::size_t i = 0; i + 3 < image->pixels.size(); i += 4) {
            const unsigned alpha = image->pixels[i + 3];
            for (std::size_t c = 0; c < 3; ++c)
                image->pixels[i + c] =
                    alpha ? static_cast<std::uint8_t>(std::min(255u, image->pixels[i + c] * 255u / alpha))
                          : 0;
        }
    }
    const std::vector<std::uint8_t> png =
        PngCodec::encode(image->pixels.data(), image->width, image->height, error);
    if (png.empty()) return std::nullopt;
    return std::string(png.begin(), png.end());
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::filesystem::path PhotoLibrary::picturesDirectory() {
    if (auto home = AppPaths::home()) return *home / "Pictures";
    if (const char* dir = g_get_user_special_dir(G_USER_DIRECTORY_PICTURES); dir && dir[0] == '/') return dir;
    return std::filesystem::path(g_get_home_dir()) / "Pictures";
}

std::optional<std::filesystem::path> PhotoLibrary::saveImage(std::string_view data, std::string* error) {
    std::string ignored;
    if (!error) error = &ignored;
    const auto png = reencode(data, error);
    if (!png) return std::nullopt;

    const std::filesystem::path folder = picturesDirectory();
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) {
        *error = "The pictures folder " + folder.string() + " cannot be opened: " + std::strerror(errno);
        return std::nullopt;
    }
    char stamp[32];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    // A name of our own, never one the picture's address suggests; a taken name is never reused,
    // and a link in the folder is never followed.
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        std::string name = std::string("tikoleap-picture-") + stamp;
        if (attempt > 1) name += "-" + std::to_string(attempt);
        name += ".png";
        const int fd =
            ::openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) {
            *error = "The picture cannot be written in " + folder.string() + ": " + std::strerror(errno);
            ::close(dir);
            return std::nullopt;
        }
        const bool written = writeAll(fd, *png);
        const bool closed = ::close(fd) == 0;
        if (!written || !closed) {
            *error = "The picture could not be written whole in " + folder.string();
            ::unlinkat(dir, name.c_str(), 0);
            ::close(dir);
            return std::nullopt;
        }
        ::close(dir);
        return folder / name;
    }
    ::close(dir);
    *error = "No free file name for the picture in " + folder.string();
    return std::nullopt;
}

const std::shared_ptr<DispatchQueue>& PhotoLibrary::queue() {
    static const std::shared_ptr<DispatchQueue> saves = DispatchQueue::createSerial("platform.photos.save");
    return saves;
}

void PhotoLibrary::saveImageAsync(std::string data, SaveCompletion done) {
    // The main queue is looked up where the request is made: the answer goes to that loop.
    queue()->async([data = std::move(data), done = std::move(done), main = DispatchQueue::main()] {
        std::string error;
        auto path = saveImage(data, &error);
        main->async([done, path = std::move(path), error = std::move(error)] { done(path, error); });
    });
}

}  // namespace platform::photos

#pragma once
// What the host and its web-process extension (platform/webext) say to each other: the shape of
// the extension's start data and the names of the messages a page's process and its view send each other.
namespace platform::web::extension {

// (interception scheme, secret header, secret, intercepted script names, memory limit in MiB,
// memory check interval in milliseconds, processor share in thousandths of a core, its span in
// milliseconds, the host's process id where the web process is its child, else 0)
inline constexpr const char* kStartDataType = "(sssasuuuuu)";
// Sent by a web process whose own memory has passed the point where it must be stopped.
inline constexpr const char* kMemoryLimitMessage = "tikoleap-memory-limit";
// Sent by a web process that used more than its processor share over a whole span.
inline constexpr const char* kCpuLimitMessage = "tikoleap-cpu-limit";
// Sent by a web process that refuses a page's requests for asking more than its share.
inline constexpr const char* kRequestsRefusedMessage = "tikoleap-requests-refused";
// Carries the address changes (history.pushState, replaceState) a page's frames made since the
// last, as (changes, characters of their addresses).
inline constexpr const char* kFrameHistoryMessage = "tikoleap-frame-history";
// Carries one line (a string) the web process wrote to its standard error.
inline constexpr const char* kProcessOutputMessage = "tikoleap-process-output";
// Sent by the host to a page's process: whether the view is on screen (a boolean). Its media plays
// only while it is.
inline constexpr const char* kMediaShownMessage = "tikoleap-media-shown";

}  // namespace platform::web::extension

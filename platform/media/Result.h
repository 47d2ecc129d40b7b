#pragma once

#include <cstdint>

namespace media {

/// 32-bit result code of every media operation; negative is a failure. The values the engine
/// relies on keep their well-known Windows numbers so that logs and tables stay comparable.
using HRESULT = std::int32_t;

constexpr HRESULT Code(std::uint32_t value) {
    return static_cast<HRESULT>(value);
}

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_FAIL = Code(0x80004005);
inline constexpr HRESULT E_POINTER = Code(0x80004003);
inline constexpr HRESULT E_ABORT = Code(0x80004004);
inline constexpr HRESULT E_NOINTERFACE = Code(0x80004002);
inline constexpr HRESULT E_NOTIMPL = Code(0x80004001);
inline constexpr HRESULT E_INVALIDARG = Code(0x80070057);
inline constexpr HRESULT E_OUTOFMEMORY = Code(0x8007000E);
inline constexpr HRESULT E_UNEXPECTED = Code(0x8000FFFF);
inline constexpr HRESULT E_ACCESSDENIED = Code(0x80070005);
inline constexpr HRESULT E_FILE_NOT_FOUND = Code(0x80070002);
inline constexpr HRESULT E_PATH_NOT_FOUND = Code(0x80070003);

// Graph and render results.
inline constexpr HRESULT VFW_S_PARTIAL_RENDER = Code(0x00040242);
inline constexpr HRESULT VFW_S_AUDIO_NOT_RENDERED = Code(0x00040258);
inline constexpr HRESULT VFW_S_VIDEO_NOT_RENDERED = Code(0x00040257);
inline constexpr HRESULT VFW_S_DUPLICATE_NAME = Code(0x0004022D);
inline constexpr HRESULT VFW_E_NOT_FOUND = Code(0x80040216);
inline constexpr HRESULT VFW_E_CANNOT_CONNECT = Code(0x80040217);
inline constexpr HRESULT VFW_E_CANNOT_RENDER = Code(0x80040218);
inline constexpr HRESULT VFW_E_INVALID_FILE_FORMAT = Code(0x8004022F);
inline constexpr HRESULT VFW_E_UNKNOWN_FILE_TYPE = Code(0x80040240);
inline constexpr HRESULT VFW_E_CANNOT_LOAD_SOURCE_FILTER = Code(0x80040241);
inline constexpr HRESULT VFW_E_UNSUPPORTED_STREAM = Code(0x80040265);
inline constexpr HRESULT VFW_E_ALREADY_CONNECTED = Code(0x80040204);
inline constexpr HRESULT VFW_E_NOT_CONNECTED = Code(0x80040209);
inline constexpr HRESULT VFW_E_NO_ACCEPTABLE_TYPES = Code(0x80040207);
inline constexpr HRESULT VFW_E_TYPE_NOT_ACCEPTED = Code(0x8004022A);
inline constexpr HRESULT VFW_E_WRONG_STATE = Code(0x80040227);

constexpr bool Succeeded(HRESULT hr) {
    return hr >= 0;
}
constexpr bool Failed(HRESULT hr) {
    return hr < 0;
}

/// Graph event codes delivered by `Graph::WaitForEvent`.
inline constexpr int EC_COMPLETE = 1;
inline constexpr int EC_USERABORT = 2;
inline constexpr int EC_ERRORABORT = 3;
/// An element had trouble with the data (a picture that does not decode) and goes on.
inline constexpr int EC_STREAM_ERROR_STILLPLAYING = 7;

} // namespace media

#include "engine/InputCheck.h"

#include "platform/media/MediaDetector.h"

namespace engine {

InputCheckOutcome InterpretRenderResult(media::HRESULT result) {
    using namespace media;
    switch (static_cast<std::uint32_t>(result)) {
    case 0x00000000u:
        return {true, "Success"};
    case 0x00040242u:
        return {true, "Some of the streams in this movie are in an unsupported format."};
    case 0x00040257u:
        return {true, "Partial success; some of the streams in this movie are in an unsupported "
                      "format."};
    case 0x00040258u:
        return {true, "Partial success; the audio was not rendered."};
    case 0x0004022Du:
    case 0x80004003u:
    case 0x80004004u:
    case 0x80040216u:
    case 0x80070057u:
        return {false, "Failure"};
    case 0x80040217u:
        return {false,
                "No combination of intermediate filters could be found to make the connection."};
    case 0x80040218u:
        return {false, "No combination of filters could be found to render the stream."};
    case 0x8004022Fu:
        return {false, "The file format is invalid."};
    case 0x80040240u:
        return {false, "The media type of this file is not recognized."};
    case 0x80040241u:
        return {false, "The source filter for this file could not be loaded."};
    case 0x80040265u:
        return {false, "Cannot play back the file: the format is not supported."};
    default:
        return {false, "Unknown error."};
    }
}

InputCheckOutcome CheckInputFile(const QString& fileName) {
    try {
        return InterpretRenderResult(media::CheckRenderable(fileName));
    } catch (...) {
        return {false, QString()};
    }
}

} // namespace engine

#include "fuzz/frame_model.h"

#include "network/message_types.h"

namespace qvfuzz {

CutStream cut_frames(const std::uint8_t* data, std::size_t size) {
    using qvnetworklib::HEADER_SIZE;
    CutStream cut;
    std::size_t position = 0;
    while (size - position >= HEADER_SIZE) {
        const qvnetworklib::ByteVector header(data + position, data + position + HEADER_SIZE);
        const auto payload_size = qvnetworklib::announced_payload_size(header);
        if (!payload_size) {
            cut.end = StreamEnd::LENGTH_FIELD_0;
            return cut;
        }
        position += HEADER_SIZE;
        if (size - position < *payload_size) {
            return cut;
        }
        cut.frames.push_back(Frame{
            header[0], qvnetworklib::ByteVector(data + position, data + position + *payload_size)});
        position += *payload_size;
    }
    return cut;
}

}  // namespace qvfuzz

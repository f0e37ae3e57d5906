#include "bench/flood_stream.h"

#include "tools/demo_flood.h"

namespace qvbench {

qvnetworklib::ByteVector flood_stream(std::size_t lines) {
    qvnetworklib::ByteVector stream;
    for (std::size_t number = 1; number <= lines; ++number) {
        qvnetworklib::append_frame(qvdemo::flood_line(number, lines), stream);
    }
    return stream;
}

}  // namespace qvbench

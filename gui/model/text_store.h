#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string_view>
#include <vector>

namespace qvchat2gui {

// Texts kept in the order they came, packed into large blocks: keeping a text costs no
// allocation of its own, and the oldest leave a block at a time. A scroll-back of a million
// lines is then little more than the bytes of its texts. Not locked: the owner guards it.
class TextStore {
public:
    // Where a kept text lies.
    struct Slot {
        std::uint64_t block = 0;
        std::uint32_t offset = 0;
        std::uint32_t size = 0;
    };

    static constexpr std::size_t BLOCK_SIZE = std::size_t{64} * 1024;

    Slot append(std::string_view text);
    std::string_view view(const Slot& slot) const;
    // Frees the blocks that hold only texts older than `oldest_kept`.
    void release_before(const Slot& oldest_kept);
    void clear();
    // The bytes the blocks take, their unused ends included.
    std::size_t bytes() const;

private:
    std::deque<std::vector<char>> blocks;
    std::uint64_t first_block = 0;  // number of blocks.front()
    std::size_t allocated = 0;      // the blocks' capacities
};

}  // namespace qvchat2gui

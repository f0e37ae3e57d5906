#include "gui/model/text_store.h"

#include <algorithm>

namespace qvchat2gui {

TextStore::Slot TextStore::append(std::string_view text) {
    if (blocks.empty() || blocks.back().capacity() - blocks.back().size() < text.size()) {
        // A text larger than a block gets a block of its own size.
        blocks.emplace_back();
        blocks.back().reserve(std::max(BLOCK_SIZE, text.size()));
        allocated += blocks.back().capacity();
    }
    std::vector<char>& block = blocks.back();
    const Slot slot{first_block + blocks.size() - 1, static_cast<std::uint32_t>(block.size()),
                    static_cast<std::uint32_t>(text.size())};
    block.insert(block.end(), text.begin(), text.end());
    return slot;
}

std::string_view TextStore::view(const Slot& slot) const {
    const std::vector<char>& block = blocks[static_cast<std::size_t>(slot.block - first_block)];
    return {block.data() + slot.offset, slot.size};
}

void TextStore::release_before(const Slot& oldest_kept) {
    while (first_block < oldest_kept.block && !blocks.empty()) {
        allocated -= blocks.front().capacity();
        blocks.pop_front();
        ++first_block;
    }
}

void TextStore::clear() {
    first_block += blocks.size();
    blocks.clear();
    allocated = 0;
}

std::size_t TextStore::bytes() const {
    return allocated;
}

}  // namespace qvchat2gui

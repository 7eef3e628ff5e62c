#include "sim/TouchTarget.h"

#include <algorithm>
#include <cstring>

namespace sim {

namespace {

// The bytes from an address to the end of its page, at most `length`.
size_t RunInPage(uint32_t address, size_t length, uint32_t pageSize) {
    return std::min<size_t>(length, pageSize - (address & (pageSize - 1)));
}

}  // namespace

const RegisterMap::Page* RegisterMap::Find(uint32_t address) const {
    auto it = pages_.find(address >> kPageBits);
    return it == pages_.end() ? nullptr : it->second.get();
}

RegisterMap::Page& RegisterMap::Make(uint32_t address) {
    std::unique_ptr<Page>& page = pages_[address >> kPageBits];
    if (!page) page = std::make_unique<Page>(Page{});
    return *page;
}

void RegisterMap::Read(uint32_t address, uint8_t* out, size_t length) {
    while (length) {
        // Addresses wrap around at 32 bits, as they do byte by byte.
        const size_t n = RunInPage(address, length, kPageSize);
        if (const Page* page = Find(address)) {
            std::memcpy(out, page->data() + (address & (kPageSize - 1)), n);
        } else {
            std::memset(out, 0, n);
        }
        out += n;
        length -= n;
        address += static_cast<uint32_t>(n);
    }
}

void RegisterMap::Write(uint32_t address, const uint8_t* data, size_t length) {
    Fill(address, data, length);
}

uint8_t RegisterMap::Get(uint32_t address) const {
    const Page* page = Find(address);
    return page ? (*page)[address & (kPageSize - 1)] : 0;
}

void RegisterMap::Set(uint32_t address, uint8_t value) {
    Make(address)[address & (kPageSize - 1)] = value;
}

void RegisterMap::Fill(uint32_t address, const uint8_t* data, size_t length) {
    while (length) {
        const size_t n = RunInPage(address, length, kPageSize);
        std::memcpy(Make(address).data() + (address & (kPageSize - 1)), data, n);
        data += n;
        length -= n;
        address += static_cast<uint32_t>(n);
    }
}

}  // namespace sim

#include "touch/config/PageTree.h"

#include <string>
#include <unordered_map>

std::vector<ConfigPage> BuildPages(const std::vector<std::unique_ptr<CConfigItem>>& items) {
    std::vector<ConfigPage> pages;
    std::unordered_map<std::string, size_t> pageIndex;
    // Key: page index, a zero byte, the group name.
    std::unordered_map<std::string, size_t> groupIndex;
    int32_t groupCount = 0;
    for (const auto& item : items) {
        auto [page, newPage] = pageIndex.try_emplace(item->Page, pages.size());
        if (newPage) pages.push_back(ConfigPage{item->Page, {}});
        std::vector<ConfigGroup>& groups = pages[page->second].Groups;
        std::string key = std::to_string(page->second);
        key.push_back('\0');
        key += item->Group;
        auto [group, newGroup] = groupIndex.try_emplace(std::move(key), groups.size());
        if (newGroup) {
            ConfigGroup made;
            made.Number = groupCount++;
            made.Name = item->Group;
            groups.push_back(std::move(made));
        }
        groups[group->second].Items.push_back(item.get());
    }
    return pages;
}

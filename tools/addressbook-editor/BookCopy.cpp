#include "BookCopy.h"

#include <map>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

addressbook::ParsedImport chosenPart(const addressbook::Book& source, const std::set<uint16_t>& entries,
                                     const std::set<size_t>& groups) {
    std::set<uint16_t> wanted = entries;
    for (size_t g : groups)
        if (g < source.groups.size())
            wanted.insert(source.groups[g].members.begin(), source.groups[g].members.end());
    addressbook::ParsedImport part;
    part.book.kind = source.kind;
    std::map<uint16_t, uint16_t> number;
    for (const auto& e : source.entries) {
        if (!wanted.count(e.id))
            continue;
        addressbook::BookEntry copy = e;
        copy.id = uint16_t(part.book.entries.size() + 1);
        copy.uid.clear();
        number[e.id] = copy.id;
        part.book.entries.push_back(copy);
    }
    for (size_t g : groups) {
        if (g >= source.groups.size())
            continue;
        addressbook::BookGroup copy;
        copy.name = source.groups[g].name;
        for (uint16_t m : source.groups[g].members)
            if (number.count(m))
                copy.members.push_back(number[m]);
        part.book.groups.push_back(copy);
    }
    return part;
}

CopyPlan planCopy(const addressbook::ParsedImport& part, const addressbook::Book& target) {
    CopyPlan copy;
    addressbook::ImportPlan plan = addressbook::planImport(part, target, false);
    for (const auto* list : {&plan.invalid, &plan.duplicates})
        for (const auto& r : *list)
            copy.leftOut.push_back(r.name + ": " + r.reason);
    const size_t limit = addressbook::groupLimit(target.kind);
    std::erase_if(plan.groups, [&](const addressbook::BookGroup& g) {
        if (g.members.size() <= limit)
            return false;
        copy.leftOut.push_back(g.name + ": " + std::to_string(g.members.size()) + " members, at most " +
                               std::to_string(limit));
        return true;
    });
    copy.result = addressbook::withPlanned(target, plan);
    copy.entries = plan.entries.size();
    copy.groups = plan.groups.size();
    copy.addedEntries = std::move(plan.entries);
    copy.addedGroups = std::move(plan.groups);
    if (target.kind == kAbifFileDevice) {
        addressbook::DeviceFit fit = addressbook::fitToDevice(copy.result);
        for (const auto& l : fit.leftOut) {
            copy.leftOut.push_back(l.name + ": " + l.reason);
            size_t& count = l.group ? copy.groups : copy.entries;
            count -= count > 0;
        }
        copy.result = std::move(fit.book);
    }
    return copy;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor

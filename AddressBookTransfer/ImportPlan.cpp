// Planning an import into a book.
#include "ImportPlan.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <set>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

namespace {

constexpr size_t kReportLimit = 10; // skipped cards and rows named in a report

} // namespace

Book withPlanned(Book book, const ImportPlan& plan) {
    book.entries.insert(book.entries.end(), plan.entries.begin(), plan.entries.end());
    book.groups.insert(book.groups.end(), plan.groups.begin(), plan.groups.end());
    return book;
}

std::string describeSkipped(const std::vector<Rejected>& skipped) {
    std::string out;
    for (size_t i = 0; i < skipped.size() && i < kReportLimit; ++i) {
        const Rejected& r = skipped[i];
        if (r.line == 0) // not from a text: named by what it is
            out += std::string("  ") + (r.group ? "group" : "entry") + " \"" + excerpt(r.name) +
                   "\": " + r.reason + "\n";
        else
            out += "  line " + std::to_string(r.line) +
                   (r.name.empty() ? "" : " (\"" + excerpt(r.name) + "\")") + ": " +
                   (r.group ? "group: " : "") + r.reason + "\n";
    }
    if (skipped.size() > kReportLimit)
        out += "  ... and " + std::to_string(skipped.size() - kReportLimit) + " more\n";
    return out;
}

std::string entriesAndGroups(size_t entries, size_t groups) {
    std::string out = counted(entries, "entry", "entries");
    if (groups)
        out += " and " + counted(groups, "group", "groups");
    return out;
}

std::string countSkipped(const std::vector<Rejected>& skipped) {
    size_t groups =
        size_t(std::count_if(skipped.begin(), skipped.end(), [](const Rejected& r) { return r.group; }));
    return entriesAndGroups(skipped.size() - groups, groups);
}

ImportPlan planImport(ParsedImport parsed, const Book& existing, bool normalize) {
    ImportPlan plan;
    plan.invalid = std::move(parsed.rejected);
    std::map<std::pair<std::string, std::string>, uint16_t> byNameAndFax;
    std::map<std::string, uint16_t> byUid;
    std::set<uint16_t> used;
    for (const auto& e : existing.entries) {
        byNameAndFax.emplace(std::pair(e.name, e.fax), e.id);
        if (!e.uid.empty())
            byUid.emplace(asciiLower(e.uid), e.id);
        used.insert(e.id);
    }
    std::set<std::string> groupUids;
    for (const auto& g : existing.groups)
        if (!g.uid.empty())
            groupUids.insert(asciiLower(g.uid));

    // Each entry of the import: the Id its group members become (0: left out). New entries get
    // numbers that no entry of the book has, so that members can name both.
    std::map<uint16_t, uint16_t> idOf;
    uint16_t next = 1;
    std::map<std::pair<std::string, std::string>, uint16_t> taken;
    for (BookEntry& e : parsed.book.entries) {
        uint16_t importId = e.id;
        idOf[importId] = 0;
        try {
            e.fax = checkFaxNumber(e.fax, normalize, "");
        } catch (const ToolError& error) {
            plan.invalid.push_back({e.line, e.name, std::string(error.what()).substr(2)});
            continue;
        }
        auto key = std::pair(e.name, e.fax);
        auto byUidIt = e.uid.empty() ? byUid.end() : byUid.find(asciiLower(e.uid));
        if (byUidIt != byUid.end() || byNameAndFax.count(key)) {
            idOf[importId] = byUidIt != byUid.end() ? byUidIt->second : byNameAndFax[key];
            plan.duplicates.push_back({e.line, e.name, "already in the address book"});
            continue;
        }
        if (auto it = taken.find(key); it != taken.end()) {
            idOf[importId] = it->second;
            plan.duplicates.push_back({e.line, e.name, "given twice in the file"});
            continue;
        }
        while (used.count(next))
            ++next;
        if (next == 0)
            throw ToolError("the address book is full (65535 entries)");
        e.id = next++;
        idOf[importId] = e.id;
        taken.emplace(key, e.id);
        plan.entries.push_back(std::move(e));
    }
    std::vector<bool> isMember(size_t(UINT16_MAX) + 1, false);
    for (BookGroup& g : parsed.book.groups) {
        if (!g.uid.empty() && groupUids.count(asciiLower(g.uid))) {
            plan.duplicates.push_back({g.line, g.name, "already in the address book", true});
            continue;
        }
        // Two members of the text may become one entry of the book: it is kept once.
        std::vector<uint16_t> members;
        for (uint16_t id : g.members)
            if (uint16_t target = idOf[id]; target && !isMember[target]) {
                isMember[target] = true;
                members.push_back(target);
            }
        for (uint16_t id : members)
            isMember[id] = false;
        g.members = std::move(members);
        plan.groups.push_back(std::move(g));
    }
    std::sort(plan.invalid.begin(), plan.invalid.end(),
              [](const Rejected& a, const Rejected& b) { return a.line < b.line; });
    return plan;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook

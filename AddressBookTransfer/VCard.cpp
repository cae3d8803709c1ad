// vCard import and export of address-book entries and groups.
#include "VCard.h"

#include "AbifEdit.h"
#include "AbifStore.h"

#include <cctype>
#include <cstdio>
#include <ctime>
#include <map>
#include <optional>
#include <random>
#include <set>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

namespace {

constexpr size_t kFoldOctets = 75;

// --- Writing

std::string escape(std::string_view value) {
    std::string out;
    for (char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case ',':
            out += "\\,";
            break;
        case ';':
            out += "\\;";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            break;
        default:
            out += c;
        }
    }
    return out;
}

// One content line, folded after at most 75 octets without splitting a UTF-8 sequence.
void appendLine(std::string& out, const std::string& line) {
    size_t start = 0;
    size_t width = kFoldOctets;
    while (line.size() - start > width) {
        size_t cut = start + width;
        while (cut > start && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(line, start, cut - start);
        out += "\r\n ";
        start = cut;
        width = kFoldOctets - 1; // the leading space counts
    }
    out.append(line, start, std::string::npos);
    out += "\r\n";
}

std::string newUuid(std::mt19937_64& random) {
    uint64_t high = random(), low = random();
    high = (high & 0xFFFFFFFFFFFF0FFFull) | 0x0000000000004000ull; // version 4
    low = (low & 0x3FFFFFFFFFFFFFFFull) | 0x8000000000000000ull;   // variant 1
    char text[40];
    std::snprintf(text, sizeof text, "%08x-%04x-%04x-%04x-%012llx", unsigned(high >> 32),
                  unsigned((high >> 16) & 0xFFFF), unsigned(high & 0xFFFF), unsigned(low >> 48),
                  (unsigned long long)(low & 0xFFFFFFFFFFFFull));
    return text;
}

// The times a REV value carries: from 1970 to the end of 9999, whole seconds.
constexpr int64_t kLastRevision = 253402300799; // 9999-12-31 23:59:59 UTC

// A REV value, or none for a time outside what it carries.
std::string timestamp(int64_t seconds) {
    std::time_t t = std::time_t(seconds);
    std::tm tm{};
    if (seconds <= 0 || seconds > kLastRevision || !gmtime_r(&t, &tm))
        return {};
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%dT%H%M%SZ", &tm);
    return text;
}

// --- Reading

struct Property {
    std::string name;                          // upper case, without its group prefix
    std::map<std::string, std::string> params; // upper-case keys; a bare parameter is a TYPE
    std::string value;
    size_t line;
};

std::string asciiUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return out;
}

// Splits at `separator` outside double quotes.
std::vector<std::string> splitOutsideQuotes(std::string_view text, char separator) {
    std::vector<std::string> parts(1);
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (c == separator && !quoted)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

Property parseLine(const std::string& line, size_t number) {
    bool quoted = false;
    size_t colon = std::string::npos;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon == std::string::npos)
        throw ToolError("line " + std::to_string(number) + ": no \":\" in \"" + excerpt(line) + "\"");
    std::vector<std::string> head = splitOutsideQuotes(std::string_view(line).substr(0, colon), ';');
    Property p;
    p.line = number;
    p.value = line.substr(colon + 1);
    std::string name = head[0];
    if (auto dot = name.rfind('.'); dot != std::string::npos)
        name = name.substr(dot + 1); // item1.TEL
    p.name = asciiUpper(name);
    for (size_t i = 1; i < head.size(); ++i) {
        auto eq = head[i].find('=');
        std::string key = eq == std::string::npos ? "TYPE" : asciiUpper(head[i].substr(0, eq));
        std::string value = eq == std::string::npos ? head[i] : head[i].substr(eq + 1);
        std::string& slot = p.params[key];
        slot += (slot.empty() ? "" : ",") + value;
    }
    return p;
}

// The components of a text value split at unescaped `separator`, each unescaped.
std::vector<std::string> unescapeSplit(std::string_view value, std::optional<char> separator) {
    std::vector<std::string> parts(1);
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            char next = value[++i];
            parts.back() += (next == 'n' || next == 'N') ? '\n' : next;
        } else if (c == separator) {
            parts.emplace_back();
        } else {
            parts.back() += c;
        }
    }
    return parts;
}

std::string unescape(std::string_view value) {
    return unescapeSplit(value, std::nullopt)[0];
}

bool hasType(const Property& p, std::string_view type) {
    auto it = p.params.find("TYPE");
    if (it == p.params.end())
        return false;
    for (const auto& t : splitOutsideQuotes(it->second, ','))
        if (asciiLower(t) == type)
            return true;
    return false;
}

bool isUuid(std::string_view text) {
    if (text.size() != 36)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? c != '-' : !std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    }
    return true;
}

// "urn:uuid:X" and "X" name the same card, a UUID in any case; other UIDs are kept as they are.
std::string normalUid(std::string_view uid) {
    std::string_view u = uid;
    // Every such prefix: export writes "urn:uuid:" before a UUID only, so what is kept must not
    // start with one again.
    while (asciiLower(u.substr(0, 9)) == "urn:uuid:")
        u.remove_prefix(9);
    return isUuid(u) ? asciiLower(u) : std::string(u);
}

// The time of a REV value (its first 14 digits), or 0 when it names no time from 1970 to 9999.
int64_t parseTimestamp(std::string_view value) {
    std::string digits;
    for (char c : value)
        if (c >= '0' && c <= '9')
            digits += c;
    if (digits.size() < 14)
        return 0;
    auto number = [&](size_t at, size_t count) { return std::stoi(digits.substr(at, count)); };
    std::tm tm{};
    tm.tm_year = number(0, 4) - 1900;
    tm.tm_mon = number(4, 2) - 1;
    tm.tm_mday = number(6, 2);
    tm.tm_hour = number(8, 2);
    tm.tm_min = number(10, 2);
    tm.tm_sec = number(12, 2);
    if (tm.tm_year < 70 || tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31 ||
        tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 59)
        return 0;
    std::tm given = tm;
    int64_t seconds = int64_t(timegm(&tm));
    // A day the month does not have (the 31st of April) is no time either.
    return tm.tm_mday == given.tm_mday ? seconds : 0;
}

std::string trimmed(std::string_view s) {
    size_t b = s.find_first_not_of(" \t");
    return b == std::string_view::npos ? std::string()
                                       : std::string(s.substr(b, s.find_last_not_of(" \t") - b + 1));
}

struct Card {
    size_t line = 0;
    std::vector<Property> properties;

    const Property* first(std::string_view name) const {
        for (const auto& p : properties)
            if (p.name == name)
                return &p;
        return nullptr;
    }
    std::string text(std::string_view name) const {
        const Property* p = first(name);
        return p ? unescape(p->value) : std::string();
    }
    bool isGroup() const {
        for (const char* kind : {"KIND", "X-ADDRESSBOOKSERVER-KIND"})
            if (const Property* p = first(kind); p && asciiLower(p->value) == "group")
                return true;
        return false;
    }
    std::string name() const {
        std::string fn = text("FN");
        if (!fn.empty())
            return fn;
        const Property* n = first("N");
        if (!n)
            return {};
        std::vector<std::string> parts = unescapeSplit(n->value, ';'); // family;given;...
        std::string given = parts.size() > 1 ? parts[1] : std::string();
        return given.empty() ? parts[0] : parts[0].empty() ? given : given + " " + parts[0];
    }
    std::string where() const {
        std::string n = name();
        return "card at line " + std::to_string(line) + (n.empty() ? "" : " (\"" + n + "\")");
    }
};

// Logical lines (folds undone) with the number of the physical line each starts on.
std::vector<std::pair<std::string, size_t>> unfold(std::string_view text) {
    std::vector<std::pair<std::string, size_t>> lines;
    size_t number = 0;
    for (size_t pos = 0; pos < text.size();) {
        size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        ++number;
        pos = end + 1;
        if (!line.empty() && (line[0] == ' ' || line[0] == '\t') && !lines.empty())
            lines.back().first += line.substr(1);
        else
            lines.emplace_back(std::string(line), number);
    }
    return lines;
}

std::vector<Card> splitCards(std::string_view text) {
    std::vector<Card> cards;
    std::optional<Card> open;
    for (const auto& [line, number] : unfold(text)) {
        if (line.find_first_not_of(" \t") == std::string::npos)
            continue;
        Property p = parseLine(line, number);
        if (p.name == "BEGIN" && asciiLower(p.value) == "vcard") {
            if (open)
                throw ToolError("line " + std::to_string(number) + ": BEGIN:VCARD inside a card");
            open = Card{number, {}};
        } else if (p.name == "END" && asciiLower(p.value) == "vcard") {
            if (!open)
                throw ToolError("line " + std::to_string(number) + ": END:VCARD without BEGIN:VCARD");
            cards.push_back(std::move(*open));
            open.reset();
        } else if (!open) {
            throw ToolError("line " + std::to_string(number) + ": \"" + excerpt(line) +
                            "\" is outside a card");
        } else {
            auto encoding = p.params.find("ENCODING");
            if (encoding != p.params.end() && asciiLower(encoding->second) != "8bit" &&
                asciiLower(encoding->second) != "b")
                throw ToolError("line " + std::to_string(number) + ": the encoding " +
                                excerpt(encoding->second) +
                                " is not supported; save the cards as vCard 3 or 4");
            open->properties.push_back(std::move(p));
        }
    }
    if (open)
        throw ToolError("line " + std::to_string(open->line) + ": the card is not ended by END:VCARD");
    if (cards.empty())
        throw ToolError("no BEGIN:VCARD in the text");
    return cards;
}

} // namespace

std::string structuredNameValue(std::string_view family, std::string_view given, std::string_view middle) {
    return escape(family) + ";" + escape(given) + ";" + escape(middle) + ";;";
}

std::string writeVCards(const Book& book, VCardVersion version) {
    bool v4 = version == VCardVersion::V4;
    std::mt19937_64 random(std::random_device{}());
    std::map<uint16_t, std::string> uids;
    std::string out;
    // A UUID as the URI vCard 4 wants; another UID as it came.
    auto uri = [&](const std::string& uid) { return isUuid(uid) ? "urn:uuid:" + uid : uid; };
    auto uidLine = [&](const std::string& uid) { return v4 ? "UID:" + uri(uid) : "UID:" + uid; };

    for (const auto& e : book.entries) {
        std::string uid = uids[e.id] = e.uid.empty() ? newUuid(random) : e.uid;
        appendLine(out, "BEGIN:VCARD");
        appendLine(out, v4 ? "VERSION:4.0" : "VERSION:3.0");
        appendLine(out, uidLine(uid));
        appendLine(out, "FN:" + escape(e.name));
        appendLine(
            out, "N:" + (e.structuredName.empty() ? structuredNameValue("", e.name, "") : e.structuredName));
        if (!e.company.empty())
            appendLine(out, "ORG:" + escape(e.company));
        appendLine(out, (v4 ? "TEL;TYPE=fax:" : "TEL;TYPE=FAX:") + e.fax);
        if (!e.note.empty())
            appendLine(out, "NOTE:" + escape(e.note));
        if (std::string revision = timestamp(e.added); !revision.empty())
            appendLine(out, "REV:" + revision);
        appendLine(out, "END:VCARD");
    }
    for (const auto& g : book.groups) {
        appendLine(out, "BEGIN:VCARD");
        appendLine(out, v4 ? "VERSION:4.0" : "VERSION:3.0");
        appendLine(out, v4 ? "KIND:group" : "X-ADDRESSBOOKSERVER-KIND:group");
        appendLine(out, uidLine(g.uid.empty() ? newUuid(random) : g.uid));
        appendLine(out, "FN:" + escape(g.name));
        if (!v4)
            appendLine(out, "N:" + structuredNameValue(g.name, "", ""));
        for (uint16_t id : g.members) {
            auto it = uids.find(id);
            if (it == uids.end())
                continue;
            appendLine(out, (v4 ? "MEMBER:" : "X-ADDRESSBOOKSERVER-MEMBER:") + uri(it->second));
        }
        appendLine(out, "END:VCARD");
    }
    return out;
}

ParsedImport parseVCards(std::string_view text) {
    std::vector<Card> cards = splitCards(withoutByteOrderMark(text));
    ParsedImport result;
    Book& book = result.book;
    std::map<std::string, uint16_t> byUid; // case-folded UIDs of the entries taken
    std::set<std::string> rejectedUids;    // those of cards that give no entry
    auto uidKey = [](const Property& p) { return asciiLower(normalUid(p.value)); };

    for (const Card& card : cards) {
        if (card.isGroup())
            continue;
        const Property* uid = card.first("UID");
        BookEntry e;
        e.line = card.line;
        e.name = card.name();
        try {
            for (const auto& p : card.properties)
                if (p.name == "TEL" && (hasType(p, "fax") || p.params.count("FAX"))) {
                    e.fax = trimmed(p.value.rfind("tel:", 0) == 0 ? p.value.substr(4) : p.value);
                    break;
                }
            if (e.name.empty())
                throw ToolError("no name (FN or N)");
            if (e.fax.empty())
                throw ToolError("no fax number (TEL with TYPE=fax)");
            if (const Property* org = card.first("ORG"))
                e.company = unescapeSplit(org->value, ';')[0];
            e.note = card.text("NOTE");
            if (const Property* rev = card.first("REV"))
                e.added = parseTimestamp(rev->value);
            if (const Property* n = card.first("N");
                n && n->value.find_first_not_of(';') != std::string::npos)
                e.structuredName = n->value;
            if (uid)
                e.uid = normalUid(uid->value);
            checkEntry(e, "card");
            if (!e.uid.empty() && !abif::isValidUid(e.uid))
                throw ToolError("its UID is longer than " + std::to_string(abif::kMaxUidBytes) +
                                " bytes or holds control characters");
            if (!e.structuredName.empty() && !abif::isValidUid(e.structuredName))
                e.structuredName.clear(); // not kept; the name stays
        } catch (const ToolError& error) {
            std::string reason = error.what();
            if (reason.rfind("card: ", 0) == 0)
                reason = reason.substr(6);
            result.rejected.push_back({card.line, e.name, reason});
            if (uid)
                rejectedUids.insert(uidKey(*uid));
            continue;
        }
        if (book.entries.size() == 65535)
            throw ToolError("more entries than an address book holds (65535)");
        e.id = uint16_t(book.entries.size() + 1);
        if (uid && !byUid.emplace(uidKey(*uid), e.id).second)
            throw ToolError(card.where() + ": the UID " + uid->value + " is used by two cards");
        book.entries.push_back(std::move(e));
    }

    for (const Card& card : cards) {
        if (!card.isGroup())
            continue;
        BookGroup g;
        g.line = card.line;
        g.name = card.name();
        if (const Property* uid = card.first("UID"))
            g.uid = normalUid(uid->value);
        try {
            checkGroupName(g.name, "card");
            if (!g.uid.empty() && !abif::isValidUid(g.uid))
                throw ToolError("its UID is longer than " + std::to_string(abif::kMaxUidBytes) +
                                " bytes or holds control characters");
            std::set<uint16_t> seen;
            for (const auto& p : card.properties) {
                if (p.name != "MEMBER" && p.name != "X-ADDRESSBOOKSERVER-MEMBER")
                    continue;
                auto it = byUid.find(uidKey(p));
                if (it == byUid.end()) {
                    if (rejectedUids.count(uidKey(p)))
                        continue; // a card skipped itself
                    throw ToolError("line " + std::to_string(p.line) + ": the member " + excerpt(p.value) +
                                    " is not a card in this file");
                }
                if (seen.insert(it->second).second)
                    g.members.push_back(it->second);
            }
        } catch (const ToolError& error) {
            std::string reason = error.what();
            if (reason.rfind("card: ", 0) == 0)
                reason = reason.substr(6);
            result.rejected.push_back({card.line, g.name, reason, true});
            continue;
        }
        book.groups.push_back(std::move(g));
    }
    return result;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook

// CSV import and export of address-book entries.
#include "Csv.h"

#include "VCard.h"

#include <array>
#include <optional>
#include <unordered_map>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

namespace {

// The header names of each column that an import reads, as normalHeader() spells them: those of
// Google Contacts, Thunderbird, Outlook, Evolution, and of hand-made sheets in English and German.
// The fax names are in the order of preference when a row fills several.
const std::vector<std::string_view> kNameHeaders = {"name", "display name", "full name", "formatted name",
                                                    "fn"};
const std::vector<std::string_view> kGivenHeaders = {"first name", "given name", "vorname"};
const std::vector<std::string_view> kMiddleHeaders = {"middle name", "additional name"};
const std::vector<std::string_view> kFamilyHeaders = {"last name", "family name", "surname", "nachname"};
const std::vector<std::string_view> kFaxHeaders = {"fax",          "fax number", "faxnumber",
                                                   "business fax", "work fax",   "home fax",
                                                   "other fax",    "telefax",    "faxnummer"};
const std::vector<std::string_view> kCompanyHeaders = {
    "company", "organization", "organisation", "organization name", "organization 1 - name",
    "org",     "firma",        "company name"};
const std::vector<std::string_view> kNoteHeaders = {"note",    "notes",   "notiz",
                                                    "notizen", "comment", "comments"};

std::string quote(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos)
        return field;
    std::string out = "\"";
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string trim(std::string_view s) {
    size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos)
        return {};
    return std::string(s.substr(b, s.find_last_not_of(" \t") - b + 1));
}

// Lower case, "_" as a space, single spaces: "BUSINESS_FAX" and "Business  Fax" are "business fax".
std::string normalHeader(std::string_view header) {
    std::string out;
    for (char c : asciiLower(trim(header))) {
        if (c == '_')
            c = ' ';
        if (c == ' ' && (out.empty() || out.back() == ' '))
            continue;
        out += c;
    }
    return out;
}

// The separator that the first line uses most outside quotes; a comma when it uses none.
char detectDelimiter(std::string_view text) {
    size_t counts[3] = {0, 0, 0};
    const char candidates[3] = {',', ';', '\t'};
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        for (int k = 0; k < 3; ++k)
            if (!quoted && c == candidates[k])
                ++counts[k];
    }
    int best = 0;
    for (int k = 1; k < 3; ++k)
        if (counts[k] > counts[best])
            best = k;
    return candidates[best];
}

// Reads one record (a row, possibly over several lines inside quotes) from `pos`.
class Reader {
public:
    Reader(std::string_view text, char delimiter) : text_(text), delimiter_(delimiter) {}

    bool atEnd() const { return pos_ >= text_.size(); }
    size_t line() const { return line_; }

    std::vector<std::string> row() {
        std::vector<std::string> fields(1);
        bool quoted = false;
        size_t quoteLine = line_;
        while (pos_ < text_.size()) {
            char c = text_[pos_++];
            if (quoted) {
                if (c == '"') {
                    if (pos_ < text_.size() && text_[pos_] == '"') {
                        fields.back() += '"';
                        ++pos_;
                    } else {
                        quoted = false;
                    }
                } else {
                    if (c == '\n')
                        ++line_;
                    fields.back() += c;
                }
            } else if (c == '"') {
                if (!trim(fields.back()).empty())
                    throw ToolError("line " + std::to_string(line_) + ": a quote inside an unquoted field");
                fields.back().clear();
                quoted = true;
                quoteLine = line_;
            } else if (c == delimiter_) {
                fields.emplace_back();
            } else if (c == '\n') {
                ++line_;
                break;
            } else if (c == '\r') {
                if (pos_ < text_.size() && text_[pos_] == '\n')
                    continue; // the LF ends the row
                fields.back() += c;
            } else {
                fields.back() += c;
            }
        }
        if (quoted)
            throw ToolError("line " + std::to_string(quoteLine) + ": a quoted field is not closed");
        return fields;
    }

private:
    std::string_view text_;
    char delimiter_;
    size_t pos_ = 0;
    size_t line_ = 1;
};

// Where the columns that an import reads lie in a row.
struct Columns {
    std::optional<size_t> name, given, middle, family, company, note;
    std::vector<size_t> fax;                            // by preference
    std::vector<std::pair<size_t, size_t>> typedPhones; // Google's "Phone N - Type" and "- Value"

    explicit Columns(const std::vector<std::string>& header, const std::string& faxColumn) {
        // Each name's first column, so that finding a column takes one look-up whatever the width
        // of the header.
        std::unordered_map<std::string, size_t> firstColumn;
        std::vector<std::string> names;
        names.reserve(header.size());
        for (size_t i = 0; i < header.size(); ++i)
            firstColumn.emplace(names.emplace_back(normalHeader(header[i])), i);
        auto find = [&](const std::string& wanted) -> std::optional<size_t> {
            auto it = firstColumn.find(wanted);
            return it == firstColumn.end() ? std::nullopt : std::optional(it->second);
        };
        auto findAny = [&](const std::vector<std::string_view>& wanted) -> std::optional<size_t> {
            for (auto w : wanted)
                if (auto i = find(std::string(w)))
                    return i;
            return std::nullopt;
        };
        name = findAny(kNameHeaders);
        given = findAny(kGivenHeaders);
        middle = findAny(kMiddleHeaders);
        family = findAny(kFamilyHeaders);
        company = findAny(kCompanyHeaders);
        note = findAny(kNoteHeaders);
        if (!faxColumn.empty()) {
            if (auto i = find(normalHeader(faxColumn)))
                fax.push_back(*i);
            else
                throw ToolError("line 1: no column is named \"" + excerpt(faxColumn) +
                                "\"; the columns are " + list(header));
        } else {
            for (auto w : kFaxHeaders)
                if (auto i = find(std::string(w)))
                    fax.push_back(*i);
            // In the order of the type columns, which a row's loop relies on.
            for (size_t i = 0; i < names.size(); ++i) {
                const std::string& n = names[i];
                if (n.rfind("phone ", 0) != 0 || !(n.ends_with(" - type") || n.ends_with(" - label")))
                    continue;
                if (auto v = find(n.substr(0, n.rfind(" - ")) + " - value"))
                    typedPhones.emplace_back(i, *v);
            }
        }
        if (fax.empty() && typedPhones.empty())
            throw ToolError("line 1: no fax column found (such as \"Fax\", \"Business Fax\", \"Home Fax\" or "
                            "\"Fax Number\"); the columns are " +
                            list(header) + "; name it with --fax-column");
        if (!name && !given && !family && !company)
            throw ToolError(
                "line 1: no name column found (such as \"Name\", \"Display Name\", \"First Name\" "
                "or \"Last Name\"); the columns are " +
                list(header));
    }

    // The first columns of the header, for a message.
    static std::string list(const std::vector<std::string>& header) {
        constexpr size_t kShown = 20;
        std::string out;
        for (size_t i = 0; i < header.size() && i < kShown; ++i)
            out += (out.empty() ? "\"" : ", \"") + excerpt(header[i]) + "\"";
        if (header.size() > kShown)
            out += " and " + std::to_string(header.size() - kShown) + " more";
        return out;
    }
};

} // namespace

std::string writeCsv(const Book& book) {
    std::string out = "name,fax,company,note\r\n";
    for (const auto& e : book.entries)
        out += quote(e.name) + "," + quote(e.fax) + "," + quote(e.company) + "," + quote(e.note) + "\r\n";
    return out;
}

ParsedImport parseCsv(std::string_view text, const CsvOptions& options) {
    text = withoutByteOrderMark(text);
    Reader reader(text, options.delimiter ? options.delimiter : detectDelimiter(text));
    if (reader.atEnd())
        throw ToolError("the CSV text is empty; it needs a header row naming its columns, such as name,fax");
    std::vector<std::string> header = reader.row();
    Columns columns(header, options.faxColumn);

    ParsedImport result;
    while (!reader.atEnd()) {
        size_t line = reader.line();
        std::vector<std::string> fields = reader.row();
        if (fields.size() == 1 && trim(fields[0]).empty())
            continue; // blank line
        auto field = [&](std::optional<size_t> i) {
            return i && *i < fields.size() ? trim(fields[*i]) : std::string();
        };

        BookEntry e;
        e.line = line;
        std::string given = field(columns.given), middle = field(columns.middle),
                    family = field(columns.family);
        e.name = field(columns.name);
        if (e.name.empty())
            for (const std::string* part : {&given, &middle, &family})
                if (!part->empty())
                    e.name += (e.name.empty() ? "" : " ") + *part;
        if (!given.empty() || !family.empty() || !middle.empty())
            e.structuredName = structuredNameValue(family, given, middle);
        e.company = field(columns.company);
        if (e.name.empty())
            e.name = e.company; // a company's own fax
        e.note = field(columns.note);
        for (size_t i : columns.fax)
            if (e.fax = field(i); !e.fax.empty())
                break;
        // The typed phones in the order of their type columns: those beyond the row's end are
        // not looked at, so a short row costs little under a wide header.
        for (auto [type, value] : columns.typedPhones) {
            if (!e.fax.empty() || type >= fields.size())
                break;
            if (asciiLower(field(type)).find("fax") != std::string::npos) {
                std::string phones = field(value);
                e.fax = trim(std::string_view(phones).substr(0, phones.find(" ::: "))); // several values
            }
        }
        try {
            if (e.name.empty())
                throw ToolError(": no name");
            if (e.fax.empty())
                throw ToolError(": no fax number");
            checkEntry(e, "");
        } catch (const ToolError& error) {
            result.rejected.push_back({line, e.name, std::string(error.what()).substr(2)});
            continue;
        }
        if (result.book.entries.size() == 65535)
            throw ToolError("more entries than an address book holds (65535)");
        e.id = uint16_t(result.book.entries.size() + 1);
        result.book.entries.push_back(std::move(e));
    }
    return result;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook

// CSV import and export of address-book entries.
#include "Csv.h"

#include <array>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

namespace {

constexpr std::array<const char*, 4> kColumns = {"name", "fax", "company", "note"};

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

// Reads one record (a row, possibly over several lines inside quotes) from `pos`.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

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
                if (!fields.back().empty())
                    throw ToolError("line " + std::to_string(line_) + ": a quote inside an unquoted field");
                quoted = true;
                quoteLine = line_;
            } else if (c == ',') {
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
    size_t pos_ = 0;
    size_t line_ = 1;
};

} // namespace

std::string writeCsv(const Book& book) {
    std::string out = "name,fax,company,note\r\n";
    for (const auto& e : book.entries)
        out += quote(e.name) + "," + quote(e.fax) + "," + quote(e.company) + "," + quote(e.note) + "\r\n";
    return out;
}

Book parseCsv(std::string_view text) {
    Reader reader(withoutByteOrderMark(text));
    if (reader.atEnd())
        throw ToolError("the CSV text is empty; it needs a header row: name,fax,company,note");

    // Which field of a row holds each column.
    std::array<std::optional<size_t>, kColumns.size()> where;
    std::vector<std::string> header = reader.row();
    for (size_t i = 0; i < header.size(); ++i) {
        std::string name = asciiLower(trim(header[i]));
        size_t k = 0;
        while (k < kColumns.size() && name != kColumns[k])
            ++k;
        if (k == kColumns.size())
            throw ToolError("line 1: unknown column \"" + header[i] +
                            "\" (the columns are name, fax, company, note)");
        if (where[k])
            throw ToolError("line 1: the column " + name + " is named twice");
        where[k] = i;
    }
    if (!where[0] || !where[1])
        throw ToolError("line 1: the header row needs the columns name and fax");

    Book book;
    while (!reader.atEnd()) {
        size_t line = reader.line();
        std::vector<std::string> fields = reader.row();
        if (fields.size() == 1 && fields[0].empty())
            continue; // blank line
        if (fields.size() != header.size())
            throw ToolError("line " + std::to_string(line) + ": " + std::to_string(fields.size()) +
                            " fields, but the header names " + std::to_string(header.size()));
        if (book.entries.size() == 65535)
            throw ToolError("more entries than an address book holds (65535)");
        auto field = [&](size_t k) { return where[k] ? fields[*where[k]] : std::string(); };
        BookEntry e{uint16_t(book.entries.size() + 1), field(0), field(1), field(2), field(3), 0};
        checkEntry(e, "line " + std::to_string(line));
        book.entries.push_back(std::move(e));
    }
    return book;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook

// The list command's output: a book's entries and groups.
#include "ToolArguments.h"

#include <ctime>
#include <iostream>
#include <map>

namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook {

namespace {

std::string formatTime(int64_t seconds) {
    std::time_t t = std::time_t(seconds);
    std::tm tm{};
    char text[32] = "";
    if (gmtime_r(&t, &tm))
        std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &tm);
    return text;
}

std::string oneLine(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += "\\n";
        else if (c != '\r')
            out += c;
    }
    return out;
}

} // namespace

void listBook(const Book& book, const std::string& title, std::ostream& out) {
    std::map<uint16_t, const BookEntry*> byId;
    for (const auto& e : book.entries)
        byId[e.id] = &e;
    out << title << "\n";
    out << "Entries (" << book.entries.size() << "):\n";
    for (const auto& e : book.entries) {
        out << "  #" << e.id << "  " << e.name << "  fax " << e.fax;
        if (!e.company.empty())
            out << "  company: " << e.company;
        if (!e.note.empty())
            out << "  note: " << oneLine(e.note);
        if (e.added != 0)
            out << "  added " << formatTime(e.added);
        out << "\n";
    }
    out << "Groups (" << book.groups.size() << "):\n";
    for (size_t i = 0; i < book.groups.size(); ++i) {
        const BookGroup& g = book.groups[i];
        out << "  #" << i + 1 << " " << g.name << " (" << g.members.size() << "):";
        const char* separator = " ";
        for (uint16_t id : g.members) {
            auto it = byId.find(id);
            out << separator << "#" << id << " " << (it == byId.end() ? "?" : it->second->name);
            separator = ", ";
        }
        out << "\n";
    }
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::addressbook

// One PPD main keyword of the printer as the panel shows it, and the attribute helpers
// (ppdFindAttr_ALT and GetEncodingInfoFromPPD come from PpdEncoding.h).
//
// This and PpdEncoding.cpp are the places that talk to libcups' PPD interface. Other code sees
// the PPD records only through the opaque declarations of PpdEncoding.h and the helpers, so it
// neither includes <cups/ppd.h> nor trips over its deprecation warnings.
#pragma once

#include "PpdEncoding.h"
#include "TextEncoding.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <optional>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

// A PPD option of the fax panel: its title and the choice the panel currently shows. The
// PPD is borrowed; the feature never marks or unmarks choices in it.
class PpdFeature {
public:
    // Looks the option up in `ppd`. Without such an option the feature exists but has no
    // title and no current choice. The current choice is the marked one, else the last
    // choice whose keyword begins with the option's default choice.
    PpdFeature(ppd_file_t* ppd, const QString& keyword);
    static std::unique_ptr<PpdFeature> initWithPPD(ppd_file_t* ppd, const QString& keyword);

    PpdFeature(const PpdFeature&) = delete;
    PpdFeature& operator=(const PpdFeature&) = delete;

    ppd_file_t* ppd() const { return ppd_; }
    // Whether the PPD has the option.
    bool hasOption() const { return option_ != nullptr; }

    QString keyword() const;
    // The option's human-readable title; empty without the option.
    QString title() const;
    // The current choice's human-readable text; empty without a current choice.
    QString curValue() const;
    // The current choice's keyword; empty without a current choice.
    QString curChoice() const;
    // The current choice record itself (borrowed from the PPD), or null.
    ppd_choice_t* curChoiceRecord() const { return curChoice_; }
    // Stores `choice` as the current choice; nothing else.
    void setCurChoice(ppd_choice_t* choice);
    // Makes the choice whose keyword equals the option's default exactly current; leaves the
    // current choice alone when there is none.
    void setDefault();

    // title → curValue. Does nothing for a feature without option.
    void setSummaryInfo(QVariantMap& summary) const;
    // title → curValue, then appends title to `order`. Does nothing for a feature without option.
    void setSummaryInfo(QVariantMap& summary, QStringList& order) const;

private:
    ppd_file_t* ppd_ = nullptr;
    char keyword_[256] = {};
    ppd_option_t* option_ = nullptr; // to tell a missing option apart; points into the PPD
    const char* title_ = nullptr;
    ppd_choice_t* curChoice_ = nullptr;
};

// The value of the attribute found by ppdFindAttr_ALT, read as UTF-8; nullopt without PPD,
// attribute or value.
std::optional<QString> CopyPPDAttribute(ppd_file_t* ppd, const char* name);
// True when the PPD is a CUPS fax queue's of any printer: "*cupsFax: True", or "*cupsIPPFaxOut:
// True" (a queue on an IPP FaxOut printer, as cups-filters' driverless-fax makes it).
bool PpdIsCupsFaxQueue(ppd_file_t* ppd);

// ---- Access to the PPD records for the rest of the plug-in and its host ----

// An open PPD file, closed by ppdClose.
struct PpdFileCloser {
    void operator()(ppd_file_t* ppd) const;
};
using PpdFilePtr = std::unique_ptr<ppd_file_t, PpdFileCloser>;
// Opens and parses a PPD file; null when it cannot be read. Nothing is marked yet.
PpdFilePtr PpdOpenFile(const QString& path);
// Marks the defaults of every option (ppdMarkDefaults).
void PpdMarkDefaults(ppd_file_t* ppd);
// Marks `choice` of `keyword`; false when the option or the choice does not exist.
bool PpdMarkOption(ppd_file_t* ppd, const QString& keyword, const QString& choice);

// One choice of an option.
struct PpdChoiceInfo {
    QString choice; // the choice keyword
    QString text;   // the human-readable text
    ppd_choice_t* record = nullptr;
};
// The choices of `keyword` in PPD order; empty without the option.
QList<PpdChoiceInfo> PpdChoices(ppd_file_t* ppd, const QString& keyword);
// The marked choice of `keyword` (ppdFindMarkedChoice), or null.
ppd_choice_t* PpdFindMarkedChoice(ppd_file_t* ppd, const QString& keyword);
// Keyword and text of a choice record; empty for null.
QString PpdChoiceKeyword(const ppd_choice_t* choice);
QString PpdChoiceText(const ppd_choice_t* choice);
// The text of the first group whose name equals `groupName` exactly, or nullopt.
std::optional<QString> PpdGroupText(ppd_file_t* ppd, const char* groupName);

} // namespace com::velmora::cps::print::pde::tarncrest::directfax

// The dial prefix of the Fax Settings panel: what a CUPS fax queue of any printer dials before
// each number (an outside line), sent with every job as "faxPrefix". Shown only on such a queue,
// kept in the print settings under DFaxDialPrefix.
#pragma once

#include <InputStringChecker.h>

#include <QPointer>
#include <memory>

class QLabel;
class QLineEdit;
class QWidget;
typedef struct ppd_file_s ppd_file_t;

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace platform {
class PrintSettings;
}

inline constexpr const char* kDialPrefixPrintSettingsKey =
    "com.velmora.cps.print.printsettings.DFaxDialPrefix";

class DialPrefixField {
public:
    // Finds the title "dialPrefixTitle" and the field "dialPrefixTextField" in `view`, shows
    // them on a CUPS fax queue only, and lets the field take what a dial prefix may hold.
    void attach(QWidget* view, ppd_file_t* ppd);
    // The stored prefix into the field, when the field would take it.
    void restore(platform::PrintSettings* settings);
    // The field's prefix into the print settings (a CUPS fax queue only).
    void save(platform::PrintSettings* settings);
    bool shown() const { return faxQueue; }

private:
    QPointer<QLabel> title;
    QPointer<QLineEdit> field;
    std::unique_ptr<InputStringChecker> checker;
    bool faxQueue = false;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax

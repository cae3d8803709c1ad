#include "DialPrefixField.h"

#include "PpdFeature.h"

#include <PrintSettings.h>

#include <QLabel>
#include <QLineEdit>
#include <QWidget>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

void DialPrefixField::attach(QWidget* view, ppd_file_t* ppd) {
    faxQueue = PpdIsCupsFaxQueue(ppd);
    title = view ? view->findChild<QLabel*>(QStringLiteral("dialPrefixTitle")) : nullptr;
    field = view ? view->findChild<QLineEdit*>(QStringLiteral("dialPrefixTextField")) : nullptr;
    for (QWidget* widget : {static_cast<QWidget*>(title.data()), static_cast<QWidget*>(field.data())})
        if (widget)
            widget->setVisible(faxQueue);
    if (!field)
        return;
    checker = std::make_unique<InputStringChecker>();
    checker->setMaxLength(kDialPrefixMaxLength);
    checker->setAcceptableCodeRange(kDialPrefixAcceptableRange);
    checker->installOn(field);
}

void DialPrefixField::restore(platform::PrintSettings* settings) {
    QString stored;
    if (!field || !settings ||
        platform::PMPrintSettingsGetValue(settings, QLatin1String(kDialPrefixPrintSettingsKey), &stored) !=
            platform::noErr)
        return;
    // Any program can have written the settings: the field takes only what it would let be typed.
    if (isValidDialPrefix(stored.toStdU16String()))
        InputStringChecker::setFieldText(field, stored);
}

void DialPrefixField::save(platform::PrintSettings* settings) {
    if (field && settings && faxQueue)
        platform::PMPrintSettingsSetValue(settings, QLatin1String(kDialPrefixPrintSettingsKey), field->text(),
                                          false);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax

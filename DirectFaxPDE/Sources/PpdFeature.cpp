#include "PpdFeature.h"

#include <QByteArray>
#include <QFile>
#include <QStringDecoder>
#include <algorithm>
#include <cstring>
#include <cups/ppd.h>

namespace com::velmora::cps::print::pde::tarncrest::directfax {

namespace {

QString fromUtf8(const char* text) {
    return text ? QString::fromUtf8(text) : QString();
}

// Copies `keyword` as UTF-8 into `out` (size bytes with the terminating zero), cut at a
// character boundary when it is too long.
void copyKeyword(const QString& keyword, char* out, size_t size) {
    const QByteArray utf8 = keyword.toUtf8();
    size_t n = std::min(static_cast<size_t>(utf8.size()), size - 1);
    while (n > 0 && n < static_cast<size_t>(utf8.size()) &&
           (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80)
        --n; // do not split a multi-byte character
    std::memcpy(out, utf8.constData(), n);
    out[n] = '\0';
}

// The keyword is copied with at most this many bytes, the terminating zero included.
constexpr size_t kKeywordCopyLimit = 255;

} // namespace

PpdFeature::PpdFeature(ppd_file_t* ppd, const QString& keyword) : ppd_(ppd) {
    copyKeyword(keyword, keyword_, kKeywordCopyLimit);
    option_ = ppd ? ppdFindOption(ppd, keyword_) : nullptr;
    if (!option_)
        return;
    title_ = option_->text;
    const size_t defLength = std::strlen(option_->defchoice);
    for (int i = 0; i < option_->num_choices; ++i) {
        ppd_choice_t* choice = &option_->choices[i];
        if (choice->marked) {
            curChoice_ = choice;
            break;
        }
        if (std::strncmp(choice->choice, option_->defchoice, defLength) == 0)
            curChoice_ = choice;
    }
}

std::unique_ptr<PpdFeature> PpdFeature::initWithPPD(ppd_file_t* ppd, const QString& keyword) {
    return std::make_unique<PpdFeature>(ppd, keyword);
}

QString PpdFeature::keyword() const {
    return QString::fromUtf8(keyword_);
}

QString PpdFeature::title() const {
    return fromUtf8(title_);
}

QString PpdFeature::curValue() const {
    return curChoice_ ? fromUtf8(curChoice_->text) : QString();
}

QString PpdFeature::curChoice() const {
    return curChoice_ ? fromUtf8(curChoice_->choice) : QString();
}

void PpdFeature::setCurChoice(ppd_choice_t* choice) {
    curChoice_ = choice;
}

void PpdFeature::setDefault() {
    if (!option_)
        return;
    for (int i = 0; i < option_->num_choices; ++i) {
        if (std::strcmp(option_->choices[i].choice, option_->defchoice) == 0) {
            curChoice_ = &option_->choices[i];
            return;
        }
    }
}

void PpdFeature::setSummaryInfo(QVariantMap& summary) const {
    if (!option_)
        return;
    summary.insert(title(), curValue());
}

void PpdFeature::setSummaryInfo(QVariantMap& summary, QStringList& order) const {
    if (!option_)
        return;
    setSummaryInfo(summary);
    order.append(title());
}

std::optional<QString> CopyPPDAttribute(ppd_file_t* ppd, const char* name) {
    const ppd_attr_t* attr = ppdFindAttr_ALT(ppd, name);
    if (!attr || !attr->value)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString value = decoder(QByteArrayView(attr->value));
    if (decoder.hasError())
        return std::nullopt; // not a UTF-8 text
    return value;
}

void PpdFileCloser::operator()(ppd_file_t* ppd) const {
    if (ppd)
        ppdClose(ppd);
}

PpdFilePtr PpdOpenFile(const QString& path) {
    return PpdFilePtr(ppdOpenFile(QFile::encodeName(path).constData()));
}

void PpdMarkDefaults(ppd_file_t* ppd) {
    if (ppd)
        ppdMarkDefaults(ppd);
}

bool PpdMarkOption(ppd_file_t* ppd, const QString& keyword, const QString& choice) {
    if (!ppd)
        return false;
    const QByteArray key = keyword.toUtf8();
    const QByteArray value = choice.toUtf8();
    if (!ppdFindChoice(ppdFindOption(ppd, key.constData()), value.constData()))
        return false;
    ppdMarkOption(ppd, key.constData(), value.constData());
    return true;
}

QList<PpdChoiceInfo> PpdChoices(ppd_file_t* ppd, const QString& keyword) {
    QList<PpdChoiceInfo> result;
    ppd_option_t* option = ppd ? ppdFindOption(ppd, keyword.toUtf8().constData()) : nullptr;
    if (!option)
        return result;
    for (int i = 0; i < option->num_choices; ++i) {
        ppd_choice_t* choice = &option->choices[i];
        result.append({fromUtf8(choice->choice), fromUtf8(choice->text), choice});
    }
    return result;
}

ppd_choice_t* PpdFindMarkedChoice(ppd_file_t* ppd, const QString& keyword) {
    return ppd ? ppdFindMarkedChoice(ppd, keyword.toLatin1().constData()) : nullptr;
}

QString PpdChoiceKeyword(const ppd_choice_t* choice) {
    return choice ? fromUtf8(choice->choice) : QString();
}

QString PpdChoiceText(const ppd_choice_t* choice) {
    return choice ? fromUtf8(choice->text) : QString();
}

std::optional<QString> PpdGroupText(ppd_file_t* ppd, const char* groupName) {
    if (!ppd || !groupName)
        return std::nullopt;
    for (int i = 0; i < ppd->num_groups; ++i)
        if (std::strcmp(ppd->groups[i].name, groupName) == 0)
            return fromUtf8(ppd->groups[i].text);
    return std::nullopt;
}

bool PpdIsCupsFaxQueue(ppd_file_t* ppd) {
    for (const char* keyword : {"cupsFax", "cupsIPPFaxOut"}) {
        ppd_attr_t* attr = ppd ? ppdFindAttr(ppd, keyword, nullptr) : nullptr;
        if (attr && attr->value && qstricmp(attr->value, "true") == 0)
            return true;
    }
    return false;
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax

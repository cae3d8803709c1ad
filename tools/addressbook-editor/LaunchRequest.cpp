#include "LaunchRequest.h"

#include <QCoreApplication>

namespace com::velmora::cps::print::pde::tarncrest::directfax::editor {

namespace {

struct LaunchArguments {
    Q_DECLARE_TR_FUNCTIONS(LaunchArguments)
};

} // namespace

ParsedLaunch parseLaunchArguments(const QStringList& arguments) {
    // Each "-DKEY VALUE" given as one word is split into its two.
    QStringList words;
    for (const QString& argument : arguments) {
        const qsizetype space = argument.indexOf(QLatin1Char(' '));
        if (argument.startsWith(QStringLiteral("-DFAX")) && space > 0)
            words << argument.left(space) << argument.mid(space + 1).trimmed();
        else
            words << argument;
    }
    std::optional<QString> type, address;
    QStringList files;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString& word = words[i];
        if (word == QStringLiteral("-DFAXConnectionType") || word == QStringLiteral("-DFAXAddress")) {
            if (i + 1 == words.size())
                return {std::nullopt, LaunchArguments::tr("%1 needs a value.").arg(word)};
            (word == QStringLiteral("-DFAXAddress") ? address : type) = words[++i];
        } else if (word.startsWith(QLatin1Char('-'))) {
            return {std::nullopt, LaunchArguments::tr("Unknown option %1.").arg(word)};
        } else {
            files << word;
        }
    }
    LaunchRequest request;
    request.files = files;
    if (!type)
        return {address ? std::nullopt : std::optional(request),
                address ? LaunchArguments::tr("-DFAXAddress needs -DFAXConnectionType NET.") : QString()};
    if (*type == QStringLiteral("USB")) {
        request.kind = LaunchRequest::Kind::UsbPrinter;
    } else if (*type == QStringLiteral("NET")) {
        if (!address || address->isEmpty())
            return {std::nullopt, LaunchArguments::tr("-DFAXConnectionType NET needs -DFAXAddress.")};
        request.kind = LaunchRequest::Kind::NetworkPrinter;
        request.address = *address;
    } else {
        return {std::nullopt, LaunchArguments::tr("The connection type is NET or USB, not %1.").arg(*type)};
    }
    return {request, {}};
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::editor

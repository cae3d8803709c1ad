// A panel and a plug-in that record every protocol call, for driving the host without the
// real plug-in.
#pragma once

#include "PdeProtocol.h"

#include <QLabel>
#include <QPointer>
#include <string>
#include <vector>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform::testing {

using CallLog = std::vector<std::string>;

class FakePanel : public PdePanel {
public:
    FakePanel(std::string name, CallLog& log, std::shared_ptr<PdePluginCallback> callback = nullptr)
        : name(std::move(name)), log(log), callback(std::move(callback)) {}
    ~FakePanel() override { delete view; }

    QWidget* panelView() override {
        record("panelView");
        if (!view) {
            view = new QLabel(QString::fromStdString(name));
            view->setFocusPolicy(Qt::StrongFocus); // a control that Tab reaches
        }
        return view;
    }
    QString panelName() override { return QString::fromStdString(name); }
    QString panelKind() override { return QStringLiteral("test"); }
    std::optional<QStringList> supportedPPDOptionKeys() override { return std::nullopt; }
    void willShow() override { record("willShow"); }
    bool shouldHide() override {
        record("shouldHide");
        return hideAnswer;
    }
    bool shouldPrint() override {
        record("shouldPrint");
        return printAnswer;
    }
    bool shouldShowHelp() override { return true; }
    void PPDOptionKeyValueDidChange(const QString& keyword, const QString& choice) override {
        record("didChange " + keyword.toStdString() + "=" + choice.toStdString());
    }
    bool restoreValuesAndReturnError(QString*) override {
        record("restore");
        return true;
    }
    bool saveValuesAndReturnError(QString* error) override {
        record("save");
        if (!saveAnswer && error)
            *error = QString::fromStdString(name + " cannot save");
        if (saveAnswer && callback && callback->printSettings())
            callback->printSettings()->setValue(QString::fromStdString("test." + name),
                                                QStringLiteral("saved"));
        return saveAnswer;
    }
    std::optional<QVariantMap> summaryInfo() override {
        record("summaryInfo");
        if (!hasSummary)
            return std::nullopt;
        QVariantMap map{{QStringLiteral("Second"), QStringLiteral("2")},
                        {QStringLiteral("First"), QStringLiteral("1")}};
        map.insert(QString::fromLatin1(kSummaryDisplayOrderKey), QStringList{"First", "Second"});
        return map;
    }

    bool hideAnswer = true;
    bool printAnswer = true;
    bool saveAnswer = true;
    bool hasSummary = true;
    QPointer<QLabel> view;

private:
    void record(const std::string& call) { log.push_back(name + "." + call); }

    std::string name;
    CallLog& log;
    std::shared_ptr<PdePluginCallback> callback;
};

// Gives one FakePanel per name for the printer-module type, none for any other type.
class FakePlugin : public PdePlugin {
public:
    FakePlugin(std::vector<std::string> names, CallLog& log) : names(std::move(names)), log(log) {}
    bool initWithBundle(std::shared_ptr<Bundle>) override { return true; }
    std::optional<PanelList> PDEPanelsForType(const QString& type,
                                              std::shared_ptr<PdePluginCallback> hostInfo) override {
        PanelList panels;
        if (type != QLatin1String(kPrinterModuleType))
            return panels;
        for (const auto& name : names) {
            auto panel = std::make_shared<FakePanel>(name, log, hostInfo);
            made.push_back(panel);
            panels.push_back(panel);
        }
        return panels;
    }

    std::vector<std::weak_ptr<FakePanel>> made;

private:
    std::vector<std::string> names;
    CallLog& log;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform::testing

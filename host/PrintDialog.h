// The print dialog of the host: printer and destination choice, one tab per panel the
// plug-ins give for the printer-module type, a summary tab, and Print / Cancel.
#pragma once

#include "HostDocument.h"
#include "JobTicket.h"
#include "PanelDriver.h"
#include "PrinterChoice.h"

#include <QDialog>
#include <QPointer>
#include <functional>
#include <memory>

class QComboBox;
class QDialogButtonBox;
class QTabWidget;
class QTreeWidget;

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

class HostCallback;
class HostPrinter;
class PluginHost;

class PrintDialog : public QDialog {
    Q_OBJECT
public:
    // Opens the printer of that name; null with the error set when it cannot.
    using PrinterOpener = std::function<std::unique_ptr<HostPrinter>(const QString& name, QString* error)>;
    // Receives the job that Print would submit.
    using JobPresenter = std::function<void(const JobTicket&)>;
    // Shows a failure to the user.
    using Alert = std::function<void(const QString& message)>;

    // `plugins` must outlive the dialog.
    PrintDialog(PluginHost& plugins, HostDocument document, const QStringList& printerNames,
                PrinterOpener openPrinter, QWidget* parent = nullptr);
    ~PrintDialog() override;

    void setJobPresenter(JobPresenter presenter) { presentJob = std::move(presenter); }
    // The printers beyond those given are named by `lister` when the printer menu is first
    // reached for (PrinterChoice).
    void listPrintersOnDemand(PrinterChoice::Lister lister) { printerBox->setLister(std::move(lister)); }
    void setAlert(Alert alert) { showAlert = std::move(alert); }

    // Makes `name` the current printer and asks the plug-ins for its panels; false, with the
    // previous printer kept, when it cannot be opened. The current printer's name changes
    // nothing: its PPD, with the choices marked so far, and its panels stay.
    bool selectPrinter(const QString& name);
    void setDestination(PMDestinationType type);
    // The Print button: answers true when every panel let the job through and the job was
    // handed to the presenter (the dialog is then accepted).
    bool print();

    PanelDriver* panels() const { return driver.get(); }
    HostPrinter* currentPrinter() const { return printer.get(); }
    HostCallback* callback() const { return callbackObject.get(); }
    PrintSettings& printSettings() { return settings; }
    PrintSession& printSession() { return session; }
    QTabWidget* tabs() const { return tabWidget; }
    QTreeWidget* summaryPane() const { return summaryTree; }
    PrinterChoice* printerChoice() const { return printerBox; }
    QComboBox* destinationChoice() const { return destinationBox; }
    // Index of the summary tab.
    int summaryTabIndex() const;

private:
    void buildPanels();
    // Tab reaches Print and Cancel after the panels' controls.
    void putButtonsLastInFocusChain();
    void teardownPanels();
    void tabChanged(int index);
    void refreshSummary();
    void alert(const QString& message);

    PluginHost& pluginHost;
    HostDocument document;
    PrinterOpener openPrinter;
    JobPresenter presentJob;
    Alert showAlert;

    PrintSettings settings;
    PrintSession session;
    std::unique_ptr<HostPrinter> printer;
    std::shared_ptr<HostCallback> callbackObject;
    std::unique_ptr<PanelDriver> driver;
    // The tab pages the panels own; the rest (placeholders, summary) are the dialog's.
    QList<QPointer<QWidget>> panelViews;

    PrinterChoice* printerBox;
    QComboBox* destinationBox;
    QTabWidget* tabWidget;
    QTreeWidget* summaryTree;
    QDialogButtonBox* buttons;
};

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform

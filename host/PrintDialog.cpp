#include "PrintDialog.h"

#include "HostCallback.h"
#include "HostPrinter.h"
#include "PluginHost.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

PrintDialog::PrintDialog(PluginHost& plugins, HostDocument doc, const QStringList& printerNames,
                         PrinterOpener opener, QWidget* parent)
    : QDialog(parent), pluginHost(plugins), document(std::move(doc)), openPrinter(std::move(opener)) {
    setWindowTitle(tr("Print"));

    printerBox = new PrinterChoice(this);
    printerBox->addItems(printerNames);
    destinationBox = new QComboBox(this);
    destinationBox->addItem(tr("Printer"), int(kPMDestinationPrinter));
    destinationBox->addItem(tr("PDF File"), int(kPMDestinationFile));
    destinationBox->addItem(tr("Preview"), int(kPMDestinationPreview));
    auto* documentLabel =
        new QLabel(QStringLiteral("%1 (%2)").arg(document.title(), document.format()), this);

    auto* form = new QFormLayout;
    form->addRow(tr("Printer:"), printerBox);
    form->addRow(tr("Destination:"), destinationBox);
    form->addRow(tr("Document:"), documentLabel);

    tabWidget = new QTabWidget(this);
    summaryTree = new QTreeWidget;
    summaryTree->setColumnCount(2);
    summaryTree->setHeaderLabels({tr("Setting"), tr("Value")});
    summaryTree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    summaryTree->setRootIsDecorated(false);
    tabWidget->addTab(summaryTree, tr("Summary"));

    buttons = new QDialogButtonBox(this);
    buttons->addButton(tr("Print"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(tr("Cancel"), QDialogButtonBox::RejectRole);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(tabWidget, 1);
    layout->addWidget(buttons);

    connect(tabWidget, &QTabWidget::currentChanged, this, &PrintDialog::tabChanged);
    connect(printerBox, &QComboBox::activated, this, [this](int index) {
        if (!selectPrinter(printerBox->itemText(index)) && printer) {
            QSignalBlocker block(printerBox);
            printerBox->setCurrentText(printer->displayName());
        }
    });
    connect(destinationBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        session.destinationType = PMDestinationType(destinationBox->itemData(index).toInt());
    });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { print(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

PrintDialog::~PrintDialog() {
    teardownPanels();
}

int PrintDialog::summaryTabIndex() const {
    return tabWidget->indexOf(summaryTree);
}

bool PrintDialog::selectPrinter(const QString& name) {
    if (printer && printer->displayName() == name)
        return true;
    QString error;
    std::unique_ptr<HostPrinter> opened = openPrinter ? openPrinter(name, &error) : nullptr;
    if (!opened) {
        alert(error.isEmpty() ? tr("The printer \"%1\" is not available.").arg(name) : error);
        return false;
    }
    teardownPanels();
    printer = std::move(opened);
    {
        QSignalBlocker block(printerBox);
        if (printerBox->findText(printer->displayName()) < 0)
            printerBox->addItem(printer->displayName());
        printerBox->setCurrentText(printer->displayName());
    }
    buildPanels();
    return true;
}

void PrintDialog::setDestination(PMDestinationType type) {
    const int index = destinationBox->findData(int(type));
    if (index >= 0)
        destinationBox->setCurrentIndex(index);
}

void PrintDialog::buildPanels() {
    callbackObject = std::make_shared<HostCallback>(printer->ppd(), &settings, &session, printer->printer());
    driver = std::make_unique<PanelDriver>(
        pluginHost.panelsForType(QString::fromLatin1(kPrinterModuleType), callbackObject));
    callbackObject->setChangeListener([this](const QString& keyword, const QString& choice) {
        if (driver)
            driver->ppdOptionChanged(keyword, choice);
    });
    QSignalBlocker block(tabWidget);
    for (int i = 0; i < driver->count(); ++i) {
        QWidget* view = driver->panel(i).panelView();
        if (view)
            panelViews << view;
        else
            view = new QLabel(tr("This panel has nothing to show."));
        tabWidget->insertTab(i, view, driver->title(i));
    }
    tabWidget->setCurrentIndex(0);
    tabChanged(0);
    putButtonsLastInFocusChain();
}

void PrintDialog::putButtonsLastInFocusChain() {
    // The panels' controls joined the chain at its end, behind Print and Cancel. The buttons
    // go after the last control that takes focus (the order of the others does not matter).
    QWidget* last = previousInFocusChain();
    while (last != this && (last->focusPolicy() == Qt::NoFocus || buttons->isAncestorOf(last)))
        last = last->previousInFocusChain();
    for (QAbstractButton* button : buttons->buttons()) {
        setTabOrder(last, button);
        last = button;
    }
}

void PrintDialog::teardownPanels() {
    if (driver)
        driver->show(-1);
    {
        QSignalBlocker block(tabWidget);
        // The panels own their views: take them out of the dialog before the panels go, so
        // that each is deleted once, by its panel.
        while (tabWidget->count() > 1) {
            QWidget* page = tabWidget->widget(0);
            tabWidget->removeTab(0);
            if (panelViews.contains(page)) {
                page->hide();
                page->setParent(nullptr);
            } else {
                delete page;
            }
        }
    }
    panelViews.clear();
    driver.reset();
    callbackObject.reset();
}

void PrintDialog::tabChanged(int index) {
    if (!driver)
        return;
    const bool isPanel = index >= 0 && index < driver->count();
    if (!driver->show(isPanel ? index : -1)) {
        // Only a shown panel refuses; its tab stays current.
        QSignalBlocker block(tabWidget);
        tabWidget->setCurrentIndex(driver->current());
        return;
    }
    if (index == summaryTabIndex())
        refreshSummary();
}

void PrintDialog::refreshSummary() {
    summaryTree->clear();
    if (!driver)
        return;
    for (const PanelDriver::Summary& summary : driver->summaries()) {
        auto* heading = new QTreeWidgetItem(summaryTree, {summary.panelName});
        QFont bold = heading->font(0);
        bold.setBold(true);
        heading->setFont(0, bold);
        for (const auto& [title, value] : summary.lines)
            new QTreeWidgetItem(summaryTree, {title, value});
    }
}

bool PrintDialog::print() {
    if (!driver || !printer)
        return false;
    const PanelDriver::Verdict verdict = driver->print();
    if (!verdict.print) {
        // The user sees where to look: the panel's own words, else which panel stopped the job.
        // A panel that stopped it after asking the user (a cancelled fax-job dialog) needs no word.
        tabWidget->setCurrentIndex(verdict.stoppedBy);
        if (verdict.error.isEmpty() && verdict.askedUser)
            return false;
        alert(verdict.error.isEmpty()
                  ? tr("The panel \"%1\" stopped printing. Check its settings and print again.")
                        .arg(driver->title(verdict.stoppedBy))
                  : verdict.error);
        return false;
    }
    const JobTicket ticket = makeJobTicket(*printer, document, settings, session);
    if (presentJob)
        presentJob(ticket);
    accept();
    return true;
}

void PrintDialog::alert(const QString& message) {
    if (showAlert)
        showAlert(message);
}

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform

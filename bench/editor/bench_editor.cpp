// The Address Book Editor on a full computer address book (65,535 entries, 1,000 groups of 35):
// opening it in the window and showing it, painted (goal: at most 300 ms), and one keystroke of
// the search, the table repainted (goal: at most 8 ms).
#include <AddressBook.h>
#include <EditorWindow.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

namespace df = com::velmora::cps::print::pde::tarncrest::directfax;
constexpr int kEntries = 65535;
constexpr int kGroups = 1000;

// The application and the full book in a folder of its own, made once.
const QString& fullBook() {
    static int argc = 1;
    static char name[] = "bench_editor";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never destroyed: at exit, after Qt's own globals, its destructor would touch what they held.
    static const QApplication* application = new QApplication(argc, argv);
    Q_UNUSED(application);
    static QTemporaryDir folder;
    static const QString path = [] {
        qputenv("XDG_DATA_HOME", folder.path().toUtf8());
        std::vector<df::addressbook::BookEntry> entries;
        for (int i = 0; i < kEntries; ++i) {
            const std::string n = std::to_string(i);
            df::addressbook::BookEntry entry;
            entry.id = uint16_t(i + 1);
            entry.name = "Contact person number " + n;
            entry.fax = "0305550" + n;
            entry.company = "Velmora Office Equipment GmbH";
            entry.note = "Calls before noon; send the cover page.";
            entries.push_back(entry);
        }
        std::vector<df::addressbook::BookGroup> groups;
        for (int g = 0; g < kGroups; ++g) {
            df::addressbook::BookGroup group;
            group.name = "Group " + std::to_string(g);
            for (int m = 0; m < ABIF_MYFAXGROUP_MAX_MEMBERS; ++m)
                group.members.push_back(uint16_t((g * 61 + m * 7) % kEntries + 1));
            groups.push_back(group);
        }
        const QString file = folder.filePath(QStringLiteral("full"));
        df::addressbook::createBook(file.toStdString(), kAbifFileComputer, entries, groups);
        return file;
    }();
    return path;
}

void BM_OpenAndShowFullBook(benchmark::State& state) {
    const QString path = fullBook();
    for (auto _ : state) {
        df::editor::EditorWindow window;
        window.show();
        if (!window.openBook(path) || window.book().entries().size() != kEntries)
            state.SkipWithError("the book was not opened");
        window.repaint();
        QApplication::processEvents();
        state.PauseTiming();
        window.close();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_OpenAndShowFullBook)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Repetitions(5)
    ->UseRealTime();

// One keystroke: the search grows from "number 1" to "number 12" and back, every entry's name
// searched, the table repainted.
void BM_SearchKeystroke(benchmark::State& state) {
    const QString& path = fullBook(); // the application first: it may run on its own
    df::editor::EditorWindow window;
    window.show();
    window.openBook(path);
    auto* field = window.findChild<QLineEdit*>(QStringLiteral("searchField"));
    auto* table = window.findChild<QTableView*>(QStringLiteral("entryTable"));
    bool longer = false;
    for (auto _ : state) {
        field->setText(longer ? QStringLiteral("number 12") : QStringLiteral("number 1"));
        table->viewport()->repaint();
        longer = !longer;
    }
    window.close();
}
BENCHMARK(BM_SearchKeystroke)->Unit(benchmark::kMillisecond)->Repetitions(5)->UseRealTime();

} // namespace

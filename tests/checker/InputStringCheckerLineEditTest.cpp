// The checker installed on a real QLineEdit: refused typing and pastes leave the text as it was.
#include "InputStringChecker.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax;

namespace {

class LineEditCheckerTest : public testing::Test {
protected:
    // One application for the suite, torn down before the process exits (a function-local static
    // would outlive Qt's own globals).
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "checker_tests";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete app;
        app = nullptr;
    }

    // A checker with the password field's limits (4 digits), installed on the field.
    void installPasswordChecker(std::uint64_t maxLength = 4) {
        checker.setMaxLength(maxLength);
        checker.setAcceptableCodeRange(kPasswordAcceptableRange);
        checker.installOn(&field);
    }

    void pasteFromClipboard(const QString& text) {
        QApplication::clipboard()->setText(text);
        ASSERT_EQ(QApplication::clipboard()->text(), text);
        field.paste();
    }

    static inline QApplication* app = nullptr;
    InputStringChecker checker;
    QLineEdit field; // declared after the checker: destroyed first
};

TEST_F(LineEditCheckerTest, TypingKeepsOnlyAcceptedKeystrokes) {
    installPasswordChecker();
    QTest::keyClicks(&field, "1a2 3-45");
    EXPECT_EQ(field.text(), "1234");
    QTest::keyClick(&field, Qt::Key_Backspace);
    QTest::keyClicks(&field, "x9");
    EXPECT_EQ(field.text(), "1239");
}

TEST_F(LineEditCheckerTest, TypingStopsAtTheLengthLimit) {
    checker.setMaxLength(30);
    checker.setAcceptableCodeRange(kSenderNameAcceptableRange);
    checker.installOn(&field);
    const QString thirtyFive = "Velmora Corporation, Sales Depart.";
    QTest::keyClicks(&field, thirtyFive);
    EXPECT_EQ(field.text(), thirtyFive.left(30));
}

TEST_F(LineEditCheckerTest, OverlongInsertIsRefusedWhole) {
    installPasswordChecker();
    field.insert("12");
    field.insert("345");
    EXPECT_EQ(field.text(), "12");
    field.insert("34");
    EXPECT_EQ(field.text(), "1234");
}

TEST_F(LineEditCheckerTest, OverlongPasteIsRefusedWhole) {
    installPasswordChecker();
    field.insert("12");
    pasteFromClipboard("345");
    EXPECT_EQ(field.text(), "12");
    EXPECT_EQ(field.cursorPosition(), 2);
    pasteFromClipboard("34");
    EXPECT_EQ(field.text(), "1234");
}

TEST_F(LineEditCheckerTest, PasteWithOneRefusedUnitIsRefusedWhole) {
    installPasswordChecker(50);
    field.insert("12");
    pasteFromClipboard("34 56");
    EXPECT_EQ(field.text(), "12");
    pasteFromClipboard(QString::fromUtf16(u"3\U0001F6004"));
    EXPECT_EQ(field.text(), "12");
}

TEST_F(LineEditCheckerTest, ReplacingASelectionIsJudgedOnTheResult) {
    installPasswordChecker();
    field.insert("1234");
    field.setSelection(1, 2);  // "23"
    pasteFromClipboard("567"); // would give 5 digits
    EXPECT_EQ(field.text(), "1234");
    field.setSelection(1, 2);
    pasteFromClipboard("56");
    EXPECT_EQ(field.text(), "1564");
}

// A limit of the widget's own would cut a paste before the checker sees it; installing lifts it.
TEST_F(LineEditCheckerTest, FieldLimitDoesNotCutAPaste) {
    field.setMaxLength(4);
    installPasswordChecker();
    field.insert("12");
    pasteFromClipboard("345");
    EXPECT_EQ(field.text(), "12");
}

TEST_F(LineEditCheckerTest, InstallingKeepsTheFieldsText) {
    field.setMaxLength(10);
    field.setText("0123456789");
    installPasswordChecker();
    EXPECT_EQ(field.text(), "0123456789"); // longer than the checker allows, still kept
    EXPECT_GE(field.maxLength(), 10);

    QLineEdit other;
    other.setText("Caf\u00e9 name");
    checker.installOn(&other);
    EXPECT_EQ(other.text(), "Caf\u00e9 name");
    // An edit that leaves the text unacceptable is refused; clearing it is accepted.
    QTest::keyClicks(&other, "1");
    EXPECT_EQ(other.text(), "Caf\u00e9 name");
    other.selectAll();
    QTest::keyClicks(&other, "7");
    EXPECT_EQ(other.text(), "7");
}

TEST_F(LineEditCheckerTest, EditsStayCheckedAfterAnUnacceptableProgramSetText) {
    installPasswordChecker();
    InputStringChecker::setFieldText(&field, "123456");
    EXPECT_EQ(field.text(), "123456");
    EXPECT_EQ(field.validator(), &checker);
    QTest::keyClicks(&field, "7x");
    EXPECT_EQ(field.text(), "123456");
    field.selectAll();
    QTest::keyClicks(&field, "42");
    EXPECT_EQ(field.text(), "42");
}

} // namespace

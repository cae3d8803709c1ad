// The submitting code on its own, as directfax-send links it: PDF and PostScript go as they are,
// and a text document, which only a program with the drawing can turn into PDF, is refused with
// words for the user.
#include "CupsSubmitter.h"
#include "HostDocument.h"

#include <QBuffer>
#include <gtest/gtest.h>

using namespace com::velmora::cps::print::pde::tarncrest::directfax::platform;

TEST(SubmitWithoutDrawing, PassesPdfAndPostScriptAndRefusesText) {
    struct Row {
        QByteArray bytes;
        QString format; // empty: refused
    };
    for (const Row& row :
         {Row{"%PDF-1.4\n%%EOF\n", "application/pdf"},
          Row{"%!PS-Adobe-3.0\nshowpage\n", "application/postscript"}, Row{"A fax.\n", ""}}) {
        SCOPED_TRACE(row.bytes.toStdString());
        QBuffer input;
        input.setData(row.bytes);
        input.open(QIODevice::ReadOnly);
        QString error;
        const auto document = HostDocument::read(input, "note", "Note", &error);
        ASSERT_TRUE(document) << error.toStdString();
        QString format;
        const QByteArray data = CupsSubmitter::printableData(*document, &format, &error);
        EXPECT_EQ(format, row.format);
        EXPECT_EQ(data, row.format.isEmpty() ? QByteArray() : row.bytes);
        EXPECT_EQ(error, row.format.isEmpty() ? "The text \"Note\" could not be prepared for printing." : "");
    }
}

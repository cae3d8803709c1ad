// Text documents drawn into PDF for the printer, with the fonts of the GUI application. Every
// program that links the host library gets this object and so can send text; programs that link
// only the submitting code cannot (see CupsSubmitter::setTextDrawing).
#include "CupsSubmitter.h"
#include "HostDocument.h"

#include <QBuffer>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

namespace com::velmora::cps::print::pde::tarncrest::directfax::platform {

namespace {

QByteArray drawTextAsPdf(const HostDocument& document) {
    QByteArray pdf;
    QBuffer buffer(&pdf);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(document.title());
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setResolution(300);
        QTextDocument text;
        text.setPlainText(QString::fromUtf8(document.data()));
        text.print(&writer);
    }
    return pdf;
}

[[maybe_unused]] const bool installed = (CupsSubmitter::setTextDrawing(&drawTextAsPdf), true);

} // namespace

} // namespace com::velmora::cps::print::pde::tarncrest::directfax::platform

// Turns the user's guide (Markdown) into the PDF manual that the utility
// dialog's 使用説明書 button opens: Qt's own text layout and PDF writer.
//   make-manual GUIDE.md OUTPUT.pdf
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QAbstractTextDocumentLayout>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: make-manual GUIDE.md OUTPUT.pdf\n");
        return 2;
    }
    QFile source(args[1]);
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make-manual: cannot read %s\n", qPrintable(args[1]));
        return 1;
    }
    QPdfWriter pdf(args[2]);
    pdf.setTitle(QStringLiteral("Tessaly 使用説明書"));
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(20, 20, 20, 20), QPageLayout::Millimeter);
    pdf.setResolution(300);

    // Laid out for the PDF's resolution, so that point sizes are the page's.
    QTextDocument document;
    document.documentLayout()->setPaintDevice(&pdf);
    QFont font(QStringLiteral("IPAGothic"));
    font.setPointSizeF(10.5);
    document.setDefaultFont(font);
    document.setMarkdown(QString::fromUtf8(source.readAll()));
    document.setPageSize(pdf.pageLayout().paintRectPixels(pdf.resolution()).size());
    QPainter painter(&pdf);
    const QSizeF page = document.pageSize();
    for (int i = 0; i < document.pageCount(); ++i) {
        if (i > 0) pdf.newPage();
        painter.save();
        painter.translate(0, -page.height() * i);
        document.drawContents(&painter, QRectF(0, page.height() * i, page.width(), page.height()));
        painter.restore();
    }
    return painter.end() ? 0 : 1;
}

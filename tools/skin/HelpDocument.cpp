#include "HelpDocument.h"

#include <QColor>
#include <QFile>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QTextFrame>
#include <QTextTable>
#include <QPdfWriter>
#include <QTextDocument>

bool WriteHelpPdf(const QString &sourcePath, const QString &pdfPath)
{
    QFile source(sourcePath);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QString markdown = QString::fromUtf8(source.readAll());

    QPdfWriter writer(pdfPath);
    writer.setTitle(QStringLiteral("Zarvik RGB Software — User Manual"));
    writer.setCreator(QStringLiteral("Zarvik RGB Software"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 18, 18, 18),
                                     QPageLayout::Millimeter));
    writer.setResolution(300);

    QTextDocument document;
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSizeF(10.5);
    document.setDefaultFont(font);
    document.setDefaultStyleSheet(QStringLiteral("h1 { color: #b00820; } h2 { color: #202020; } "
                                                 "td, th { padding: 3px; } code { font-family: monospace; }"));
    document.setMarkdown(markdown);
    // Tables get visible cell borders; Markdown has no say in that.
    for (QTextFrame *frame : document.rootFrame()->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(frame)) {
            QTextTableFormat format = table->format();
            format.setBorder(1);
            format.setBorderBrush(QColor(150, 150, 150));
            format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
            format.setCellPadding(4);
            format.setCellSpacing(0);
            table->setFormat(format);
        }
    }
    document.print(&writer);
    return QFile::exists(pdfPath) && QFile(pdfPath).size() > 0;
}

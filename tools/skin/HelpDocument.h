#pragma once

#include <QString>

// Typesets the Markdown manual at `sourcePath` into an A4 PDF at `pdfPath`.
bool WriteHelpPdf(const QString &sourcePath, const QString &pdfPath);

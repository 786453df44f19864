// The first page of a document as a picture, and its page count, made by the machine's own
// tools (pdfinfo and pdftoppm for PDF, Ghostscript for PostScript; Qt reads images itself).
// Without the tools there is no preview, and the note says why.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <functional>

namespace nxfax {

enum class DocumentKind { kUnknown, kPdf, kPostScript, kImage };

// By the file's first bytes; kUnknown when it cannot be read or is none of them.
DocumentKind DetectDocument(const QString& path);

struct Preview {
  QImage firstPage;  // null when none could be made
  int pages = 0;     // 0 when unknown
  QString note;      // why there is no picture, for the user
};

// Starts making the preview and calls `done` on the main thread when finished (possibly
// before returning, for images). `context` ends the work when it goes.
void MakePreview(QObject* context, const QString& path, int width, std::function<void(Preview)> done);

// Ends the previews still being made for `context`, without calling their `done`. For its
// destructor: a tool's process would otherwise report back to a half-destroyed object.
void StopPreviews(QObject* context);

}  // namespace nxfax

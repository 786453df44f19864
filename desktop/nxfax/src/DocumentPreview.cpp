// Document previews; see DocumentPreview.h.
#include "DocumentPreview.h"

#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "Texts.h"

namespace nxfax {
namespace {

// Runs `program` and calls `done(output)` with its standard output, or with nothing when it
// could not be started or failed. Never blocks the window.
void RunTool(QObject* context, const QString& program, const QStringList& args,
             std::function<void(std::optional<QByteArray>)> done) {
  if (QStandardPaths::findExecutable(program).isEmpty()) {
    QTimer::singleShot(0, context, [done] { done(std::nullopt); });
    return;
  }
  auto* process = new QProcess(context);
  process->setObjectName(QStringLiteral("nxfax-preview"));
  auto finish = std::make_shared<std::function<void(std::optional<QByteArray>)>>(std::move(done));
  QObject::connect(process, &QProcess::finished, context, [process, finish](int code, QProcess::ExitStatus status) {
    process->deleteLater();
    if (!*finish) return;
    auto f = std::move(*finish);
    *finish = nullptr;
    f(status == QProcess::NormalExit && code == 0 ? std::optional(process->readAllStandardOutput()) : std::nullopt);
  });
  QObject::connect(process, &QProcess::errorOccurred, context, [process, finish](QProcess::ProcessError e) {
    if (e != QProcess::FailedToStart || !*finish) return;
    process->deleteLater();
    auto f = std::move(*finish);
    *finish = nullptr;
    f(std::nullopt);
  });
  process->setStandardInputFile(QProcess::nullDevice());
  process->start(program, args);
}

// "%%Pages: N" of a PostScript file's header or trailer (the trailer's wins, "(atend)" defers
// to it).
int DscPageCount(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return 0;
  const qint64 size = f.size();
  QByteArray text = f.read(65536);
  if (size > 65536 * 2) {
    f.seek(size - 65536);
    text += '\n' + f.read(65536);
  } else {
    text += f.readAll();
  }
  static const QRegularExpression pages(QStringLiteral("^%%Pages:\\s*(\\d+)"), QRegularExpression::MultilineOption);
  int count = 0;
  for (auto it = pages.globalMatch(QString::fromLatin1(text)); it.hasNext();) count = it.next().captured(1).toInt();
  return count;
}

QImage LoadFirst(const QString& dir) {
  for (const char* name : {"page.png", "page1.png", "page-1.png", "page-01.png"}) {
    QImage image(dir + "/" + name);
    if (!image.isNull()) return image;
  }
  return {};
}

}  // namespace

DocumentKind DetectDocument(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return DocumentKind::kUnknown;
  const QByteArray head = f.read(1024);
  if (head.contains("%PDF-")) return DocumentKind::kPdf;
  if (head.startsWith("%!") || head.startsWith("\x04%!")) return DocumentKind::kPostScript;
  f.close();
  QImageReader reader(path);
  return reader.canRead() ? DocumentKind::kImage : DocumentKind::kUnknown;
}

void MakePreview(QObject* context, const QString& path, int width, std::function<void(Preview)> done) {
  const DocumentKind kind = DetectDocument(path);
  if (kind == DocumentKind::kImage) {
    QImageReader reader(path);
    Preview p;
    p.pages = std::max(1, reader.imageCount());
    p.firstPage = reader.read();
    if (!p.firstPage.isNull()) p.firstPage = p.firstPage.scaledToWidth(width, Qt::SmoothTransformation);
    else p.note = Text("No preview for this document.");
    done(std::move(p));
    return;
  }
  if (kind == DocumentKind::kUnknown) {
    done({{}, 0, Text("No preview for this document.")});
    return;
  }
  auto dir = std::make_shared<QTemporaryDir>();
  auto result = std::make_shared<Preview>();
  if (kind == DocumentKind::kPostScript) {
    result->pages = DscPageCount(path);
    const QStringList args = {QStringLiteral("-q"), QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"),
                              QStringLiteral("-dNOPAUSE"), QStringLiteral("-sDEVICE=png16m"), QStringLiteral("-r40"),
                              QStringLiteral("-dFirstPage=1"), QStringLiteral("-dLastPage=1"),
                              QStringLiteral("-sOutputFile=") + dir->path() + "/page%d.png", path};
    RunTool(context, QStringLiteral("gs"), args, [dir, result, width, done](std::optional<QByteArray> out) {
      result->firstPage = LoadFirst(dir->path());
      if (!result->firstPage.isNull()) result->firstPage = result->firstPage.scaledToWidth(width, Qt::SmoothTransformation);
      else result->note = out ? Text("No preview for this document.") : Text("No preview: %1 is not installed.").arg("Ghostscript");
      done(*result);
    });
    return;
  }
  RunTool(context, QStringLiteral("pdfinfo"), {path}, [context, path, dir, result, width, done](std::optional<QByteArray> info) {
    if (info) {
      static const QRegularExpression pages(QStringLiteral("^Pages:\\s*(\\d+)"), QRegularExpression::MultilineOption);
      const auto m = pages.match(QString::fromUtf8(*info));
      if (m.hasMatch()) result->pages = m.captured(1).toInt();
    }
    const QStringList args = {QStringLiteral("-png"), QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                              QStringLiteral("1"), QStringLiteral("-singlefile"), QStringLiteral("-scale-to-x"),
                              QString::number(width), QStringLiteral("-scale-to-y"), QStringLiteral("-1"), path,
                              dir->path() + "/page"};
    RunTool(context, QStringLiteral("pdftoppm"), args, [dir, result, done](std::optional<QByteArray> out) {
      result->firstPage = LoadFirst(dir->path());
      if (result->firstPage.isNull())
        result->note = out ? Text("No preview for this document.") : Text("No preview: %1 is not installed.").arg("poppler-utils");
      done(*result);
    });
  });
}

void StopPreviews(QObject* context) {
  for (QProcess* p : context->findChildren<QProcess*>(QStringLiteral("nxfax-preview"), Qt::FindDirectChildrenOnly)) {
    p->disconnect();
    p->kill();
    p->waitForFinished(1000);
    delete p;
  }
}

}  // namespace nxfax

// Every window a user meets, in English and in Japanese, as the desktop program shows it with
// real texts and sample data (nxfax --screenshots): a title from the string tables, every
// control named, nothing overlapping, the window on a 1024 x 768 screen, every text whole, and
// no English left in a Japanese window. The program reports each fault it finds; none may show.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <map>
#include <string>

namespace {

// The program's window with each panel in front, and every window of both plug-ins' layouts.
const char* const kWindows[] = {
    "NXDFaxSetting_Default00", "NXDeviceOption", "NXPrintJBA_Default01", "PrintType_Default01",
    "RecipientSetting_Default00", "FaxNumberConfirm", "FaxCommunicationSettings", "Phonebook_Default00",
    "Import_Default00", "FaxPBNewEntry", "FaxPBIndividualEntry", "FaxPBGroupEntry", "FaxPBGroupProperties",
    "FaxJobConfirmation", "JBAInfoWnd", "JBAInfoAdminWnd", "JBAInputWindow",
};

struct ShotRun {
  int status = -1;
  std::map<std::string, std::string> titles;  // picture name -> window title
  std::string faults, errors;
};

ShotRun Screenshots(const char* language) {
  ShotRun run;
  QTemporaryDir out;
  QProcess nxfax;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("QT_QPA_PLATFORM", "offscreen");
  nxfax.setProcessEnvironment(env);
  nxfax.start(NX_NXFAX, {"--screenshots", out.path(), "--lang", language, "-b", NX_BINARY_DIR, "-p",
                         NX_SOURCE_DIR "/ppd/nxfax.ppd"});
  if (!nxfax.waitForFinished(240000)) return run;
  run.status = nxfax.exitStatus() == QProcess::NormalExit ? nxfax.exitCode() : -1;
  for (const QByteArray& line : nxfax.readAllStandardOutput().split('\n')) {
    const int tab = line.indexOf('\t');
    if (tab < 0) continue;
    const QString file = QString::fromUtf8(line.left(tab));
    run.titles[file.section('/', -1).section('.', 0, 0).toStdString()] = line.mid(tab + 1).toStdString();
  }
  run.errors = nxfax.readAllStandardError().toStdString();
  for (const QString& line : QString::fromStdString(run.errors).split('\n'))
    if (line.startsWith("nxfax: fault: ")) run.faults += line.toStdString() + "\n";
  return run;
}

TEST(DesktopWindows, EveryWindowInBothLanguagesIsTitledNamedWholeAndInItsLanguage) {
  for (const char* language : {"en", "ja"}) {
    SCOPED_TRACE(language);
    const ShotRun run = Screenshots(language);
    ASSERT_EQ(run.status, 0) << run.errors;
    for (const char* window : kWindows) {
      const auto it = run.titles.find(window);
      if (it == run.titles.end()) {
        ADD_FAILURE() << window << " was not shown";
        continue;
      }
      EXPECT_FALSE(it->second.empty()) << window;
    }
    // Reached by the walk, filled as the plug-ins fill it: no window pictured with stand-ins.
    for (const auto& [name, title] : run.titles)
      EXPECT_EQ(name.find("-unfilled"), std::string::npos) << name << " was not reached";
    EXPECT_EQ(run.faults, "");
  }
}

}  // namespace

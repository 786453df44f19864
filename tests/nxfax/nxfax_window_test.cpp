// The desktop program's window: the print session on the Qt toolkit, its panels in tabs, Send
// running the print sequence through the panels' real windows (answered by a scripted user),
// and what reaches the print system.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPointer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>
#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "FaxQueues.h"
#include "FaxWindow.h"
#include "nx/desktop/qt_toolkit.h"
#include "nx/platform/services.h"
#include "nx/ticket/keys.h"
#include "pdehost/JobTicket.h"

namespace {

using Script = std::map<QString, std::function<void(QDialog*)>>;

QWidget* Tagged(QWidget* in, int tag) { return in->findChild<QWidget*>(QStringLiteral("e%1").arg(tag)); }

void Type(QDialog* d, int tag, const char* text) {
  auto* line = qobject_cast<QLineEdit*>(Tagged(d, tag));
  ASSERT_NE(line, nullptr) << "no text field " << tag << " in " << d->objectName().toStdString();
  line->setFocus();
  QTest::keyClicks(line, QString::fromUtf8(text));
  emit line->editingFinished();
}

void Click(QDialog* d, int tag) {
  auto* button = qobject_cast<QAbstractButton*>(Tagged(d, tag));
  ASSERT_NE(button, nullptr) << "no button " << tag << " in " << d->objectName().toStdString();
  button->click();
}

// The user: each window, when it shows, gets its part of the script; any other window (an
// alert, a window the script does not know) is noted and left with Escape.
class User : public QObject {
 public:
  explicit User(Script script) : script_(std::move(script)) { qApp->installEventFilter(this); }
  ~User() override { qApp->removeEventFilter(this); }
  std::vector<std::string> seen;
  std::vector<std::string> unexpected;

  bool eventFilter(QObject* o, QEvent* e) override {
    auto* d = qobject_cast<QDialog*>(o);
    if (e->type() != QEvent::Show || !d || !d->isWindow()) return false;
    QPointer<QDialog> p(d);
    QTimer::singleShot(0, this, [this, p] {
      if (!p || !p->isVisible()) return;
      QString name = p->objectName();
      if (auto* box = qobject_cast<QMessageBox*>(p.data())) name = "alert: " + box->text();
      seen.push_back(name.toStdString());
      const auto it = script_.find(name);
      if (it == script_.end()) {
        unexpected.push_back(name.toStdString());
        p->reject();
        return;
      }
      it->second(p);
      if (p && p->isVisible()) {
        unexpected.push_back(name.toStdString() + " stayed open");
        p->reject();
      }
    });
    return false;
  }

 private:
  Script script_;
};

class FaxWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(scratch_.isValid());
    qputenv("NX_USER_PREFS_DIR", (scratch_.path() + "/prefs").toUtf8());
    qputenv("NX_ANY_USER_PREFS_DIR", (scratch_.path() + "/anyprefs").toUtf8());
    qputenv("XDG_DATA_HOME", (scratch_.path() + "/data").toUtf8());
    qputenv("NX_PRIVATE_TMP", scratch_.path().toUtf8());
    // No print server: the job is handed to the test, never to a real queue.
    qputenv("CUPS_SERVER", (scratch_.path() + "/no-server.sock").toUtf8());
    services_ = nx::platform::Services::Linux(nx::desktop::MakeQtToolkit());
    nxfax::FaxSetup setup;
    setup.bundlesDir = NX_BINARY_DIR;
    setup.bundles = {"faxpde.plugin", "accountpde.plugin"};
    setup.ppdPath = NX_SOURCE_DIR "/ppd/nxfax.ppd";
    window_ = std::make_unique<nxfax::FaxWindow>(*services_, setup);
    QString why;
    ASSERT_TRUE(window_->SetQueues({{"Fax", "Fax", true}}, "Fax", &why)) << why.toStdString();
    window_->SetSubmitter(
        [this](const std::string& queue, const std::string& file, const std::string&,
               const pdehost::JobOptionList& options, std::string*) {
          submitted_.push_back({queue, file, options});
          return 42;
        },
        3600 * 1000);
    window_->show();
  }

  // A PDF of `pages` pages.
  QString Pdf(int pages) {
    const QString path = scratch_.path() + "/Letter.pdf";
    QPdfWriter writer(path);
    QPainter p(&writer);
    for (int i = 0; i < pages; ++i) {
      if (i) writer.newPage();
      p.drawText(QRect(0, 0, 4000, 400), QStringLiteral("Page %1").arg(i + 1));
    }
    return path;
  }

  struct Submitted {
    std::string queue, file;
    pdehost::JobOptionList options;
  };
  QTemporaryDir scratch_;
  std::unique_ptr<nx::platform::Services> services_;
  std::unique_ptr<nxfax::FaxWindow> window_;
  std::vector<Submitted> submitted_;
};

bool HasRecipientNumber(const pdehost::JobOptionList& options, const std::string& number) {
  for (const auto& [key, value] : options) {
    if (key.rfind(nx::ticket::key::DFRecipientListItemKeyTicket, 0) != 0) continue;
    const std::string text = pdehost::DecodeByteList(value).value_or(value);
    if (text.find(number) != std::string::npos) return true;
  }
  return false;
}

TEST_F(FaxWindowTest, SendRunsThePanelsWindowsInOrderAndSubmitsTheirTicket) {
  // Every panel in a tab, each shown (restored) when the window opened.
  ASSERT_EQ(window_->tabs()->count(), 4);
  for (const auto& p : window_->session()->panels()) EXPECT_TRUE(p.shown) << p.kind;
  EXPECT_FALSE(window_->sendButton()->isEnabled()) << "nothing to send yet";

  const QString pdf = Pdf(3);
  window_->SetDocument(pdf);
  EXPECT_TRUE(window_->sendButton()->isEnabled());
  if (!QStandardPaths::findExecutable("pdfinfo").isEmpty()) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return window_->findChild<QLabel*>("pages")->text() == "3 page(s)"; }, 20000))
        << window_->findChild<QLabel*>("pages")->text().toStdString();
  }

  User user({{"RecipientSetting_Default00",
              [](QDialog* d) {
                Type(d, 2, "Example Office");
                Type(d, 7, "0312345678");
                Click(d, 5);   // Add To
                Click(d, 19);  // OK
              }},
             {"FaxJobConfirmation", [](QDialog* d) { Click(d, 16); }}});
  window_->sendButton()->click();

  EXPECT_TRUE(user.unexpected.empty()) << user.unexpected.front();
  EXPECT_EQ(user.seen, (std::vector<std::string>{"RecipientSetting_Default00", "FaxJobConfirmation"}));
  ASSERT_EQ(submitted_.size(), 1u);
  EXPECT_EQ(submitted_[0].queue, "Fax");
  EXPECT_EQ(submitted_[0].file, pdf.toStdString());
  EXPECT_TRUE(HasRecipientNumber(submitted_[0].options, "0312345678"));
  // The settings entries come first, then the PPD's accepted choices.
  EXPECT_EQ(submitted_[0].options, window_->session()->JobOptions());
  EXPECT_EQ(window_->jobId(), 42);
  EXPECT_FALSE(window_->sendButton()->isEnabled()) << "one document, one fax";
  EXPECT_TRUE(window_->statusLine()->text().startsWith("Job 42:")) << window_->statusLine()->text().toStdString();
  // The queue is remembered for the next time.
  EXPECT_EQ(nxfax::PreferredQueue({{"Other", "Other", true}, {"Fax", "Fax", false}}, services_->preferences()), "Fax");
}

TEST_F(FaxWindowTest, CancelInANestedWindowSendsNothingAndLetsTheUserTryAgain) {
  window_->SetDocument(Pdf(1));
  {
    // Cancel in the job confirmation, two windows deep: back in the recipient window, which
    // is then cancelled too.
    QString back;
    User user({{"RecipientSetting_Default00",
                [](QDialog* d) {
                  Type(d, 7, "0312345678");
                  Click(d, 5);
                  Click(d, 19);
                }},
               {"FaxJobConfirmation", [&back](QDialog* d) {
                  d->reject();
                  QTimer::singleShot(0, [&back] {
                    if (QWidget* w = QApplication::activeModalWidget()) {
                      back = w->objectName();
                      QTest::keyClick(w, Qt::Key_Escape);
                    }
                  });
                }}});
    window_->sendButton()->click();
    EXPECT_TRUE(user.unexpected.empty()) << user.unexpected.front();
    EXPECT_EQ(user.seen.size(), 2u);
    EXPECT_EQ(back, "RecipientSetting_Default00");
  }
  EXPECT_TRUE(submitted_.empty());
  EXPECT_EQ(window_->statusLine()->text(), "Cancelled: nothing was sent.");
  EXPECT_TRUE(window_->sendButton()->isEnabled());

  {
    // Escape in the recipient window: its Cancel.
    User user({{"RecipientSetting_Default00", [](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); }}});
    window_->sendButton()->click();
    EXPECT_TRUE(user.unexpected.empty()) << user.unexpected.front();
  }
  EXPECT_TRUE(submitted_.empty());
  EXPECT_EQ(window_->jobId(), 0);
}

TEST_F(FaxWindowTest, TicketTooLongForTheServerIsNotSubmitted) {
  window_->SetDocument(Pdf(1));
  // A settings entry no fitting can shorten.
  window_->session()->settings().SetValue(pdehost::TicketKey("DFaxMemoTicket"), std::string(140000, 'x'), false);
  User user({{"RecipientSetting_Default00",
              [](QDialog* d) {
                Type(d, 7, "0312345678");
                Click(d, 5);
                Click(d, 19);
              }},
             {"FaxJobConfirmation", [](QDialog* d) { Click(d, 16); }},
             {"alert: The fax was not sent", [](QDialog* d) { d->accept(); }}});
  window_->sendButton()->click();
  EXPECT_TRUE(user.unexpected.empty()) << user.unexpected.front();
  EXPECT_EQ(user.seen.back(), "alert: The fax was not sent");
  EXPECT_TRUE(submitted_.empty());
  EXPECT_EQ(window_->statusLine()->text(), "The fax was not sent");
  EXPECT_TRUE(window_->sendButton()->isEnabled());
}

// A job the print server holds: the application's own choices marked, no queue to pick, no
// preview when the server gave no document; Send completes it (a refusal lets the user try
// again), Cancel cancels it.
TEST_F(FaxWindowTest, HeldJobKeepsItsOwnChoicesSendCompletesItAndCancelCancelsIt) {
  nxfax::FaxSetup setup;
  setup.bundlesDir = NX_BINARY_DIR;
  setup.bundles = {"faxpde.plugin", "accountpde.plugin"};
  setup.ppdPath = NX_SOURCE_DIR "/ppd/nxfax.ppd";
  std::vector<pdehost::JobOptionList> completions;
  bool refuse = true;
  int cancelled = 0;
  auto complete = [&](const pdehost::JobOptionList& options, ppd_file_t* ppd, std::string* message) {
    EXPECT_NE(ppd, nullptr);
    completions.push_back(options);
    *message = refuse ? "the server refused the ticket" : "released";
    return !refuse;
  };
  auto cancel = [&](std::string*) { return ++cancelled == 1; };
  const nxfax::FaxWindow::HeldJob job{7, "Fax", "Report.pdf", {{"NXFaxResolution", "SuperFine"}}};

  nxfax::FaxWindow held(*services_, setup);
  QString why;
  ASSERT_TRUE(held.SetHeldJob(job, QString(), complete, cancel, &why)) << why.toStdString();
  held.SetSubmitter(nullptr, 3600 * 1000);
  held.show();
  EXPECT_EQ(held.windowTitle(), "Send Fax: Report.pdf");
  EXPECT_FALSE(held.queuePicker()->isVisible());
  EXPECT_EQ(held.previewLabel()->text(), "Preview not available.");
  EXPECT_TRUE(held.sendButton()->isEnabled());
  EXPECT_EQ(held.closeButton()->text(), "&Cancel");

  Script script{{"RecipientSetting_Default00",
                 [](QDialog* d) {
                   Type(d, 7, "0312345678");
                   Click(d, 5);
                   Click(d, 19);
                 }},
                {"FaxJobConfirmation", [](QDialog* d) { Click(d, 16); }},
                {"alert: The fax was not sent", [](QDialog* d) { d->accept(); }}};
  {
    User user(script);
    held.sendButton()->click();
    EXPECT_TRUE(user.unexpected.empty()) << user.unexpected.front();
    EXPECT_EQ(user.seen.back(), "alert: The fax was not sent");
  }
  ASSERT_EQ(completions.size(), 1u);
  EXPECT_EQ(held.jobId(), 0);
  EXPECT_TRUE(held.sendButton()->isEnabled()) << "a refused completion can be sent again";
  refuse = false;
  {
    User user(script);
    held.sendButton()->click();
    EXPECT_TRUE(user.unexpected.empty()) << user.unexpected.front();
  }
  ASSERT_EQ(completions.size(), 2u);
  EXPECT_TRUE(HasRecipientNumber(completions[1], "0312345678"));
  const auto resolution = std::find_if(completions[1].begin(), completions[1].end(),
                                       [](const auto& o) { return o.first == "NXFaxResolution"; });
  ASSERT_NE(resolution, completions[1].end());
  EXPECT_EQ(resolution->second, "SuperFine") << "the application's choice stays chosen";
  EXPECT_EQ(held.jobId(), 7);
  EXPECT_FALSE(held.sendButton()->isEnabled());
  EXPECT_EQ(held.closeButton()->text(), "&Close") << "a completed job is not cancelled by closing";
  held.closeButton()->click();
  EXPECT_EQ(cancelled, 0);

  // Another held job: Cancel cancels it and closes the window, asking nothing more; a job the
  // server will not cancel keeps the window open with the reason.
  nxfax::FaxWindow other(*services_, setup);
  ASSERT_TRUE(other.SetHeldJob(job, QString(), complete, cancel, &why)) << why.toStdString();
  other.show();
  other.closeButton()->click();
  EXPECT_EQ(cancelled, 1);
  EXPECT_FALSE(other.isVisible());
  other.show();
  {
    User user({{"alert: The fax job could not be cancelled", [](QDialog* d) { d->accept(); }}});
    other.closeButton()->click();
    EXPECT_TRUE(user.unexpected.empty()) << user.unexpected.front();
  }
  EXPECT_EQ(cancelled, 2);
  EXPECT_TRUE(other.isVisible());
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("LANGUAGE", "en");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

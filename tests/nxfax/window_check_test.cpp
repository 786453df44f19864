// The window check finds each kind of fault it looks for, and nothing in a sound window.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QApplication>
#include <functional>

#include "WindowCheck.h"

namespace {

struct Case {
  const char* name;
  bool japanese;
  std::function<void(QDialog&, QGridLayout&)> build;
  const char* fault;  // a part of the one fault expected; nullptr: none
};

QLabel* Label(const char* text, QWidget* buddy) {
  auto* l = new QLabel(QString::fromUtf8(text));
  l->setBuddy(buddy);
  return l;
}

TEST(WindowCheck, FindsEachFaultAndNothingInASoundWindow) {
  const Case cases[] = {
      {"sound", false, [](QDialog&, QGridLayout& g) {
         auto* c = new QComboBox;
         c->setObjectName("e2");
         c->addItems({"Normal", "Fine (200 x 200 dpi)"});
         g.addWidget(Label("Resolution:", c), 0, 0);
         g.addWidget(c, 0, 1);
         g.addWidget(new QPushButton("Cancel"), 1, 1);
       }, nullptr},
      {"Japanese, with abbreviations and file names", true, [](QDialog& d, QGridLayout& g) {
         d.setWindowTitle(QString::fromUtf8("\u96fb\u8a71\u5e33"));
         auto* e = new QLineEdit;
         g.addWidget(Label("TEL:", e), 0, 0);
         g.addWidget(e, 0, 1);
         g.addWidget(new QLabel("Book.fap"), 1, 0);
         g.addWidget(new QPushButton("OK"), 2, 1);
       }, nullptr},
      {"no title", false, [](QDialog& d, QGridLayout& g) {
         d.setWindowTitle("");
         g.addWidget(new QPushButton("OK"), 0, 0);
       }, "no title"},
      {"unnamed control", false, [](QDialog&, QGridLayout& g) { g.addWidget(new QLineEdit, 0, 0); },
       "no accessible name"},
      {"overlap", false, [](QDialog&, QGridLayout& g) {
         g.addWidget(new QPushButton("One"), 0, 0);
         g.addWidget(new QPushButton("Two"), 0, 0);
       }, "overlaps"},
      {"too large", false, [](QDialog& d, QGridLayout& g) {
         g.addWidget(new QPushButton("OK"), 0, 0);
         d.setFixedSize(1100, 300);
       }, "larger than 1024 x 768"},
      {"cut label", false, [](QDialog&, QGridLayout& g) {
         auto* l = new QLabel("A label much wider than its room");
         l->setFixedWidth(40);
         g.addWidget(l, 0, 0);
       }, "text cut"},
      {"cut button", false, [](QDialog&, QGridLayout& g) {
         auto* b = new QPushButton("Add To Phonebook");
         b->setFixedWidth(40);
         g.addWidget(b, 0, 0);
       }, "text cut"},
      {"cut choice", false, [](QDialog&, QGridLayout& g) {
         auto* c = new QComboBox;
         c->setObjectName("e7");
         c->setAccessibleName("Type");
         c->addItems({"Type 1", "Type 4 (IP fax and fax kit)"});
         c->setFixedWidth(90);
         g.addWidget(c, 0, 0);
       }, "choice \"Type 4 (IP fax and fax kit)\" cut"},
      {"English in a Japanese window", true, [](QDialog& d, QGridLayout& g) {
         d.setWindowTitle(QString::fromUtf8("\u96fb\u8a71\u5e33"));
         g.addWidget(new QPushButton("Cancel"), 0, 0);
       }, "English text \"Cancel\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QDialog d;
    d.setWindowTitle("Phonebook");
    auto* g = new QGridLayout(&d);
    c.build(d, *g);
    d.show();
    QApplication::processEvents();
    const QStringList faults = nxfax::WindowFaults(&d, c.japanese);
    if (!c.fault) {
      EXPECT_TRUE(faults.isEmpty()) << faults.join('\n').toStdString();
    } else {
      ASSERT_EQ(faults.size(), 1) << faults.join('\n').toStdString();
      EXPECT_TRUE(faults.front().contains(QString::fromUtf8(c.fault))) << faults.front().toStdString();
    }
  }
}

}  // namespace

// The vCard and LDIF readers over the shapes desktop address books write, and the vCard writer.
#include "nx/phonebook/contact_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace nx::phonebook {
namespace {

using Strings = std::vector<std::string>;

struct Shape {
  const char* what;
  ContactFormat format;
  std::string bytes;
  // Per contact: name, furigana, company, fax numbers joined by "|".
  std::vector<Strings> contacts;
};

std::vector<Strings> Summary(const ContactReadResult& r) {
  std::vector<Strings> out;
  for (const auto& c : r.contacts) {
    std::string faxes;
    for (const auto& f : c.faxNumbers) faxes += (faxes.empty() ? "" : "|") + f;
    out.push_back({c.name, c.furigana, c.company, faxes});
  }
  return out;
}

TEST(ContactFile, ReadsTheShapesAddressBooksWrite) {
  const std::string photo = "PHOTO;ENCODING=b;TYPE=JPEG:" + std::string(100000, 'A') + "\r\n";
  const std::vector<Shape> shapes = {
      {"2.1 quoted-printable with a soft break, bare types",
       ContactFormat::kVCard,
       "BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=E5=B1=B1=E7=94=B0;=E5="
       "A4=\n"
       "=AA=E9=83=8E\nTEL;WORK;FAX:03-1\nTEL;HOME:03-2\nEND:VCARD\n",
       {{"\xe5\xa4\xaa\xe9\x83\x8e \xe5\xb1\xb1\xe7\x94\xb0", "", "", "03-1"}}},
      {"types in every spelling, repeats once, a sip address",
       ContactFormat::kVCard,
       "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:A\r\nTEL;TYPE=fax:1\r\nTEL;TYPE=WORK,FAX:2\r\n"
       "TEL;type=work;type=fax:3\r\nTEL;TYPE=\"voice,fax\":1\r\nTEL;VALUE=uri;TYPE=fax:tel:+81-3-4;"
       "ext=5\r\n"
       "item2.TEL;TYPE=fax:sip:f@example.com\r\nTEL;TYPE=faxes:9\r\nEND:VCARD\r\n",
       {{"A", "", "", "1|2|3|+81-3-4|sip:f@example.com"}}},
      {"folds by space and tab, escapes, sort string",
       ContactFormat::kVCard,
       "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Ab\r\n c\r\n\td\r\nSORT-STRING:abcd\r\nORG:X\\, "
       "Inc.;Unit\r\n"
       "TEL;TYPE=FAX:5\r\nEND:VCARD\r\n",
       {{"Abcd", "abcd", "X, Inc.", "5"}}},
      {"an oversized photo is passed over; an embedded card is no contact",
       ContactFormat::kVCard,
       "BEGIN:VCARD\r\nFN:P\r\n" + photo +
           "AGENT:\r\nBEGIN:VCARD\r\nFN:Agent\r\nTEL;FAX:7\r\nEND:VCARD\r\n"
           "TEL;TYPE=fax:6\r\nEND:VCARD\r\n",
       {{"P", "", "", "6"}}},
      {"LDIF: base64, continuation, options, comments, no fax",
       ContactFormat::kLdif,
       "version: 1\n# comment\ndn: cn=Taro,mail=t@example.com\nobjectclass: top\n"
       "cn:: 5bGx55SwIOWkqumDjg==\no: Exam\n ple\nfacsimileTelephoneNumber;x-work: +81 3 1\n\n"
       "dn: cn=B\ncn: B\ntelephoneNumber: 2\n",
       {{"\xe5\xb1\xb1\xe7\x94\xb0 \xe5\xa4\xaa\xe9\x83\x8e", "", "Example", "+81 3 1"},
        {"B", "", "", ""}}},
  };
  for (const auto& s : shapes) {
    const ContactReadResult r = ReadContactData(s.bytes, s.format);
    EXPECT_EQ(r.status, ContactReadStatus::kOk) << s.what;
    EXPECT_EQ(Summary(r), s.contacts) << s.what;
  }
}

TEST(ContactFile, WrittenCardsReadBack) {
  Contact c;
  c.name = std::string(30, 'x') + "\xe5\xb1\xb1\xe7\x94\xb0" + std::string(50, 'y') + ", a; b\\";
  c.furigana = "\xe3\x82\x84";
  c.company = "A;B";
  c.tel = "1";
  c.email = "e@x";
  c.memo = "two\nlines";
  c.faxNumbers = {"03-1", "sip:a@b"};
  const std::string text = WriteVCards({c, c});
  for (std::size_t at = 0, end; at < text.size(); at = end + 2) {
    end = text.find("\r\n", at);
    ASSERT_NE(end, std::string::npos);
    EXPECT_LE(end - at, 75u) << "lines are folded";
  }
  const ContactReadResult r = ReadContactData(text, ContactFormat::kVCard);
  ASSERT_EQ(r.contacts.size(), 2u);
  const Contact& back = r.contacts[1];
  EXPECT_EQ(back.name, c.name);
  EXPECT_EQ(back.furigana, c.furigana);
  EXPECT_EQ(back.company, c.company);
  EXPECT_EQ(back.tel, c.tel);
  EXPECT_EQ(back.email, c.email);
  EXPECT_EQ(back.memo, c.memo);
  EXPECT_EQ(back.faxNumbers, c.faxNumbers);
}

}  // namespace
}  // namespace nx::phonebook

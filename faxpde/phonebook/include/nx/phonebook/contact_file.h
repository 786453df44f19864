// Contacts of desktop address books: vCard (2.1, 3.0, 4.0) and LDIF exports, read into the few
// texts a phonebook individual has, and vCard 4.0 written from them.
//
// The readers take any bytes: a file is read once, in bounded memory; an unfolded line longer
// than kContactLineMaxBytes is skipped when its property is one the phonebook does not use
// (photos, sounds, keys) and refuses the file otherwise. Texts are handed on as the file has
// them (UTF-8 unless a vCard 2.1 property names another charset); the phonebook's field rules
// decide what is acceptable.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace nx::phonebook {

enum class ContactFormat { kVCard, kLdif };

struct Contact {
  std::string name;      // vCard FN (N when there is no FN); LDIF cn
  std::string furigana;  // vCard X-PHONETIC-LAST-NAME, X-PHONETIC-FIRST-NAME or SORT-STRING
  std::string company;   // first component of ORG; LDIF o
  std::string tel;       // the first telephone number that is no fax number
  std::string email;
  std::string memo;  // NOTE; LDIF description
  // Fax numbers in file order, each once: vCard TEL with the type "fax", LDIF
  // facsimileTelephoneNumber. A "tel:" URI is given as its number; a "sip:" URI as it is.
  std::vector<std::string> faxNumbers;
  std::size_t line = 0;  // where the contact starts in the file (1-based)
};

inline constexpr std::size_t kContactFileMaxBytes = std::size_t{64} << 20;
inline constexpr std::size_t kContactLineMaxBytes = std::size_t{64} << 10;
inline constexpr std::size_t kContactsMax = 100000;
inline constexpr std::size_t kContactFaxNumbersMax = 16;

enum class ContactReadStatus {
  kOk,
  kCannotOpen,   // missing, unreadable or not a regular file
  kTooLarge,     // more than kContactFileMaxBytes
  kLineTooLong,  // a line of a property the phonebook uses is longer than kContactLineMaxBytes
  kMalformed,    // no contact at all, or a vCard without its END
};

struct ContactReadResult {
  ContactReadStatus status = ContactReadStatus::kOk;
  std::size_t line = 0;  // the line at fault
  std::vector<Contact> contacts;
  std::size_t notKept = 0;  // contacts beyond kContactsMax
};

ContactReadResult ReadContactFile(const std::string& path, ContactFormat format);
ContactReadResult ReadContactData(std::string_view bytes, ContactFormat format);

// vCard 4.0, one card per contact: FN, N, ORG, TEL;TYPE=fax for each fax number (a "sip:"
// address as a URI), TEL;TYPE=voice, EMAIL, NOTE, X-PHONETIC-LAST-NAME; lines end with CR LF
// and are folded at 75 bytes, never inside a character.
std::string WriteVCards(const std::vector<Contact>& contacts);

}  // namespace nx::phonebook

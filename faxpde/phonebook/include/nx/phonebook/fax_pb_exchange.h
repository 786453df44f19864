// The book's individuals for other programs: as contacts of a vCard file and as a device CSV
// export that the device's web page and the CSV import read back.
#pragma once

#include <string>
#include <vector>

#include "nx/phonebook/contact_file.h"
#include "nx/phonebook/fax_record.h"

namespace nx::phonebook {

// A fax number or IP fax address as desktop address books write it, in the characters a dial
// string holds: full-width ASCII forms, the ideographic space and the dashes and minus signs
// become their ASCII forms. Anything else is left for the field rules to judge.
std::string NormalizeContactNumber(std::string_view text);

// The individual's texts as a contact with its number or IP fax address as the one fax number.
Contact ContactOfIndividual(const FaxRecord& individual);

struct DeviceCsvExport {
  std::string text;
  // "Id: reason" for each individual the dialect cannot carry; the text is then not to be used.
  std::vector<std::string> problems;
};

// The individuals as a classic device export of data format 6 (UTF-8 names, the consistency
// column filled, passwords and relay lists in their protected forms). The dialect carries name
// (18 characters), number or IP fax address and the communication settings; company, furigana,
// tel, e-mail and memo have no column.
DeviceCsvExport WriteDeviceCsv(const std::vector<FaxRecord>& individuals);

}  // namespace nx::phonebook

// The current phonebook for the command-line tools; see current_book.h.
#include "nx/phonebook/current_book.h"

#include <sys/stat.h>

#include "nx/phonebook/fax_phonebook_model.h"

namespace nx::phonebook {

bool CurrentPhonebookPath(const nx::platform::Services& services, std::string* path) {
  FaxPhonebookModel model(services, nullptr);
  struct stat st;
  const std::string plist =
      model.getFaxPBPreferencesFileDirectory() + "/" + kFaxPBPreferencesFileName;
  if (::stat(plist.c_str(), &st) == 0) {
    const std::string configured = model.getMyFaxFileNameFromConfig();
    if (!configured.empty() && ::stat(configured.c_str(), &st) == 0) {
      *path = configured;
      return true;
    }
  }
  *path = model.getMyFaxFileNameForSandbox();
  return ::lstat(path->c_str(), &st) == 0 || model.createEmptyFaxPhoneBook(*path);
}

}  // namespace nx::phonebook

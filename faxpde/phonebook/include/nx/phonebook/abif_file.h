// The phonebook's binary files: FAP (the plug-in's own kind, read and written), GAP (the older
// kind, read for import) and GAD (a UTF-16 address book, read for import), and the folder in
// which the phonebook lives.
//
// The readers treat a file as hostile: they stop at the first damage with its status and keep
// the records read before it, never read past their input and hold at most one chunk of the
// file in memory. Each reader exists for a path and for bytes in memory.
#pragma once

#include <cstddef>
#include <string>

#include "nx/phonebook/abif_data.h"

namespace nx::phonebook {

inline constexpr char kFapMagic[] = "NORVALEX_QRL_ADDRESS_BOOK_NX_1000";
inline constexpr char kGapMagic[] = "KALD_TAMRA_QRL_ADDRESS_BOOK_KT_1000";
inline constexpr char kGadMagic[] = "KALD_TAMRA_AIO_ADDRESS_BOOK_1000";
inline constexpr char kDefaultPhonebookFile[] = "default.fap";

// Readers: kAbifBadArgument (missing path, file cannot be opened or is not a regular file),
// kAbifNoContainer, kAbifBadFormat (wrong magic, damaged record), kAbifOldPhonebookKind (FAP
// reader given a GAP file), kAbifReadWriteFailed (read error), kAbifLimitReached (the file was
// read to its end, but it holds more records than the container: the surplus was left out),
// else 0. Records land in the individual and group arrays (GAD: the GAD arrays).
AbifStatus AbifFAPFile_Read(const char* path, ABIFDATA* data);
AbifStatus AbifGAPFile_Read(const char* path, ABIFDATA* data);
AbifStatus AbifGADFile_Read(const char* path, ABIFDATA* data);

AbifStatus AbifFAPData_Read(const void* bytes, std::size_t size, ABIFDATA* data);
AbifStatus AbifGAPData_Read(const void* bytes, std::size_t size, ABIFDATA* data);
AbifStatus AbifGADData_Read(const void* bytes, std::size_t size, ABIFDATA* data);

// The FAP form of the container's individual and group records, as written to disk.
// kAbifReadWriteFailed when a field cannot be enciphered or memory runs out.
AbifStatus AbifFAPFile_Build(const ABIFDATA* data, std::string& out);

// Writes the container's individual and group records as a FAP file. The new file is written
// beside the target, synced and renamed over it, so a failed save (full disk, I/O error)
// leaves the previous phonebook untouched and no partial file behind: kAbifReadWriteFailed.
// A symbolic link at `path` is followed; an existing file keeps its permission bits.
AbifStatus AbifFAPFile_Write(const char* path, const ABIFDATA* data);

// The phonebook folder (no trailing "/"): the user's application data folder, then "NORVALEX"
// (permissions 0775), "JPN", "MFP_D-FAX", created on the way. Empty when there is no user
// data folder.
std::string AbifGAPFile_GetFileDirectory();

// Creates the folder `name` inside `parent`. 0 on success, when it exists already or when the
// parent does not exist; otherwise the errno value of the failure.
int CreateFolder(const std::string& parent, const std::string& name);

}  // namespace nx::phonebook

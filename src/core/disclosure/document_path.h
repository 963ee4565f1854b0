#pragma once

#include <filesystem>
#include <string>

// Where a stock's disclosures of one date live on this machine: the folder
// program folder/yyyymmdd/code/ with the history file and the downloaded
// documents. Nothing that comes from a listing page chooses a path outside
// that folder.
namespace zelmora {

// The folder of a stock's disclosures of one date, ending with a separator;
// empty when the code cannot name a folder (empty, "..", a separator).
std::string DocumentFolder(const std::string& programFolder, const std::string& date, const std::string& code);

// The file name a link target's or document address's document is kept
// under: its last path segment, renamed when it would take the name of a
// file the program keeps in the folder (see stock_folder_files.h) or the
// shape of a temporary file; empty when it is no safe file name (empty, "."
// or "..", holding "..", "\", ":" or a control character, as bytes, whatever
// stands before them).
std::string DocumentFileName(const std::string& href);

// Creates the stock's folder for the date (failures ignored, existing
// folders are fine) and returns the path the document of href is kept at;
// empty when href names no safe file.
std::string MakeDocumentPath(const std::string& programFolder, const std::string& date, const std::string& code,
                             const std::string& href);

// Where the viewer finds the local copy of a document address; empty when
// the address names no safe file or the file is of a type the desktop would
// run as a program rather than show as a document.
std::string LocalDocumentPath(const std::string& programFolder, const std::string& date, const std::string& code,
                              const std::string& address);

// True for the document types the exchange publishes and the desktop shows:
// PDF, HTML, XML, XBRL and zip archives of them.
bool IsOpenableDocument(const std::string& fileName);

// Removes the temporary files of cut-short saves older than startTime from
// every stock's folder of the date (history files and documents). Returns
// how many it removed.
int RemoveStaleTemporaryFilesOfDate(const std::string& programFolder, const std::string& date,
                                    std::filesystem::file_time_type startTime);

} // namespace zelmora

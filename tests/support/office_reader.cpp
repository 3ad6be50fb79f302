#include "tests/support/office_reader.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "tests/support/files.h"

namespace qm::test {

OfficeResult officeConvert(const std::vector<std::string>& files, const std::string& filter,
                           const std::string& work) {
  OfficeResult result;
#ifdef _WIN32
  (void)files, (void)filter, (void)work;
  return result;
#else
  if (std::system("command -v soffice >/dev/null 2>&1") != 0) return result;
  result.available = true;
  namespace fs = std::filesystem;
  const fs::path root(work);
  fs::create_directories(root / "in");
  fs::create_directories(root / "out");
  fs::create_directories(root / "home");
  // Inputs under names of our own: files of one name from several folders stay apart.
  std::string command = "cd '" + work + "' && HOME='" + (root / "home").string() +
                        "' soffice -env:UserInstallation=file://" + (root / "profile").string() +
                        " --headless --norestore --convert-to '" + filter + "' --outdir out";
  std::vector<std::string> stems;
  for (std::size_t i = 0; i < files.size(); ++i) {
    char stem[32];
    std::snprintf(stem, sizeof stem, "f%06zu", i);
    stems.push_back(stem);
    const fs::path copy = root / "in" / (std::string(stem) + fs::path(files[i]).extension().string());
    fs::copy_file(files[i], copy, fs::copy_options::overwrite_existing);
    command += " 'in/" + copy.filename().string() + "'";
  }
  command += " > office.log 2>&1";
  if (!files.empty()) std::system(command.c_str());
  if (fs::exists(root / "office.log")) result.log = readFile((root / "office.log").string());
  const std::string extension = "." + filter.substr(0, filter.find(':'));
  for (std::size_t i = 0; i < files.size(); ++i) {
    const fs::path out = root / "out" / (stems[i] + extension);
    if (fs::exists(out)) result.outputs[files[i]] = readFile(out.string());
  }
  return result;
#endif
}

}  // namespace qm::test

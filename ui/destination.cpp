// The destination folder (Browse) and the five save option buttons.
#include "convert/destination.h"
#include "convert/save_option.h"
#include "platform/clock.h"
#include "platform/text_win.h"
#include "ui/main_dialog.h"
#include "ui/resource_ids.h"

using qm::platform::toWide;
using namespace qm::convert;

namespace {

// Longest destination accepted, in UTF-16 units as Windows counts them: the run adds its own
// folder and file names below it, which must stay within the system's path limit.
constexpr std::size_t kMaxDestinationLength = 259;

}  // namespace

bool CRAROvavodizDlg::GetDirectory(HWND owner, std::string& path) {
  try {
    log("In CRAROvavodizDlg::GetDirectory()");
    const auto chosen = services_.chooseFolder(owner, " Please select the Destination folder ");
    if (chosen) path = *chosen;
    log("Succeeded CRAROvavodizDlg::GetDirectory()");
    return chosen.has_value();
  } catch (...) {
    logError("Exception in CRAROvavodizDlg::GetDirectory()");
    return false;
  }
}

void CRAROvavodizDlg::OnBrowsebutton() {
  try {
    log("In CRAROvavodizDlg::OnBrowsebutton()");
    std::string chosen;
    if (GetDirectory(window(), chosen)) {
      const std::string path = qm::convert::stampedDestination(chosen, qm::platform::nowStamp());
      setText(IDE_DESTINATION, path);
      destinationFolder = path;
      log("Destination folder path is " + path);
      if (!makeDestination(path)) {
        logError("Error: Destination directory does not exists");
        showMessage("Unable to create browsed folder. Please browse again.");
        return;
      }
      log("Destination directory created");
      enableSaveOptions(true);
      for (int id : {IDR_SAVE_DBX, IDR_SAVE_EML, IDR_SAVE_PST, IDR_SAVE_MSG, IDR_SAVE_RTF})
        check(id, false);
      enable(IDB_CONVERT, false);
      showReadyProgress();
    }
    log("Succeeded CRAROvavodizDlg::OnBrowsebutton()");
  } catch (...) {
    logError("Exception in CRAROvavodizDlg::OnBrowsebutton()");
  }
}

// Creates the destination folder. One that exists already (a second Browse within the same
// second) is used as it is, with everything inside it. True when the folder exists afterwards.
bool CRAROvavodizDlg::makeDestination(const std::string& path) {
  if (toWide(path).size() > kMaxDestinationLength) return false;
  return qm::convert::prepareDestination(path);
}

void CRAROvavodizDlg::selectSaveOption(qm::convert::SaveOption option, const char* logLine) {
  saveOption = option;
  enable(IDB_CONVERT, true);
  showReadyProgress();
  log(logLine);
}

void CRAROvavodizDlg::OnRadioEml() {
  try {
    selectSaveOption(SAVEASEML, "Save option SAVEASEML selected");
  } catch (...) {
    logError("Exception In CRAROvavodizDlg::OnRadioEml()");
  }
}

void CRAROvavodizDlg::OnRadioDbx() {
  try {
    selectSaveOption(SAVEASDBX, "Save option SAVEASDBX selected");
  } catch (...) {
    logError("Exception In CRAROvavodizDlg::OnRadioDbx()");
  }
}

void CRAROvavodizDlg::OnRadioPst() {
  try {
    selectSaveOption(SAVEASPST, "Save option SAVEASPST selected");
  } catch (...) {
    logError("Exception In CRAROvavodizDlg::OnRadioPst()");
  }
}

void CRAROvavodizDlg::OnRadioMsg() {
  try {
    selectSaveOption(SAVEASMSG, "Save option SAVEASMSG selected");
  } catch (...) {
    logError("Exception In CRAROvavodizDlg::OnRadioMsg()");
  }
}

void CRAROvavodizDlg::OnRadioRtf() {
  try {
    selectSaveOption(SAVEASRTF, "Save option SAVEASRTF selected");
  } catch (...) {
    logError("Exception In CRAROvavodizDlg::OnRadioRtf()");
  }
}

// The Save As dialog: four switches with their edits, the checks on the counter and the
// folder tag, the preview, Next and Cancel.
#include "ui/save_as_dialog.h"

#include "ui/main_dialog.h"
#include "ui/save_as_ids.h"

using qm::ui::CounterCheck;
using qm::ui::FolderTagCheck;

CSaveAsDlg::CSaveAsDlg(CRAROvavodizDlg& mainDialog, qm::ui::UiServices& services)
    : main_(mainDialog), services_(services) {}

bool CSaveAsDlg::Open() {
  previewPrefix = main_.destinationFolder + "\\";
  return runModalFrom(IDD_SAVE_AS, main_.window()) == IDOK;
}

HWND CSaveAsDlg::create() {
  previewPrefix = main_.destinationFolder + "\\";
  return createFrom(IDD_SAVE_AS, main_.window());
}

// Always the same start, whatever an earlier Next stored.
BOOL CSaveAsDlg::onInitDialog() {
  try {
    parts_ = qm::ui::NamingParts{};
    parts_.typeTag = qm::ui::namingTypeTag(main_.saveOption);
    for (int id : {IDX_USE_COUNTER, IDX_USE_FOLDER_TAG, IDX_USE_FILE_NAME, IDX_USE_TYPE_TAG})
      check(id, true);
    setText(IDE_COUNTER, parts_.counter);
    setText(IDE_FOLDER_TAG, parts_.folderTag);
    setText(IDE_FILE_NAME, parts_.fileName);
    setText(IDE_TYPE_TAG, parts_.typeTag);
    showPreview();
  } catch (...) {
  }
  return TRUE;
}

INT_PTR CSaveAsDlg::handleMessage(UINT msg, WPARAM wParam, LPARAM) {
  switch (msg) {
    case WM_COMMAND:
      return handleCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_CLOSE:
      OnCancel();
      return TRUE;
    default:
      return FALSE;
  }
}

bool CSaveAsDlg::handleCommand(WORD id, WORD code) {
  switch (id) {
    case IDX_USE_COUNTER: if (code == BN_CLICKED) OnCounterBox(); return true;
    case IDX_USE_FOLDER_TAG: if (code == BN_CLICKED) OnFolderTagBox(); return true;
    case IDX_USE_TYPE_TAG: if (code == BN_CLICKED) OnTypeTagBox(); return true;
    case IDE_COUNTER: if (code == EN_CHANGE) OnChangeCounter(); return true;
    case IDE_FOLDER_TAG:
      if (code == EN_CHANGE) OnChangeFolderTag();
      if (code == EN_KILLFOCUS) OnKillfocusName();
      return true;
    case IDE_FILE_NAME: if (code == EN_KILLFOCUS) OnKillfocusName(); return true;
    case IDB_NAMING_NEXT: if (code == BN_CLICKED) OnNext(); return true;
    case IDB_NAMING_CANCEL: if (code == BN_CLICKED) OnCancel(); return true;
    case IDCANCEL: return true;  // Escape never ends the dialog
    default: return false;
  }
}

void CSaveAsDlg::OnCounterBox() { flipSwitch(parts_.useCounter, IDT_COUNTER, IDE_COUNTER); }

void CSaveAsDlg::OnFolderTagBox() { flipSwitch(parts_.useFolderTag, IDT_FOLDER_TAG, IDE_FOLDER_TAG); }

void CSaveAsDlg::OnTypeTagBox() { flipSwitch(parts_.useTypeTag, 0, 0); }

// A switch flips; its label and edit, if it has them, are enabled exactly when it is on.
void CSaveAsDlg::flipSwitch(bool& on, int label, int edit) {
  try {
    on = !on;
    if (label) enable(label, on);
    if (edit) enable(edit, on);
    showPreview();
  } catch (...) {
  }
}

void CSaveAsDlg::OnChangeCounter() {
  try {
    const std::string typed = text(IDE_COUNTER);
    switch (qm::ui::checkCounter(typed)) {
      case CounterCheck::TooLong:
        showMessage("Counter should not exceed 5 digits");
        restoreText(IDE_COUNTER, parts_.counter);
        break;
      case CounterCheck::NotDigits:  // pasted text: the edit keeps digits only
        restoreText(IDE_COUNTER, parts_.counter);
        break;
      case CounterCheck::Accepted:
        parts_.counter = typed;
        break;
    }
    showPreview();
  } catch (...) {
  }
}

void CSaveAsDlg::OnChangeFolderTag() {
  try {
    const std::string typed = text(IDE_FOLDER_TAG);
    switch (qm::ui::checkFolderTag(typed)) {
      case FolderTagCheck::ForbiddenCharacter:
        showMessage("Folder Tag cannot contain following characters: \\/:*?<>|");
        restoreText(IDE_FOLDER_TAG, parts_.folderTag);
        break;
      case FolderTagCheck::ParentFolder:
        showMessage("Folder Tag cannot contain \"..\": the output folders must stay inside the destination");
        restoreText(IDE_FOLDER_TAG, parts_.folderTag);
        break;
      case FolderTagCheck::TooLong:
        showMessage("Folder Tag should not exceed 50 characters");
        restoreText(IDE_FOLDER_TAG, parts_.folderTag);
        break;
      case FolderTagCheck::Accepted:
        parts_.folderTag = typed;
        break;
    }
    showPreview();
  } catch (...) {
  }
}

void CSaveAsDlg::OnKillfocusName() {
  try {
    showPreview();
  } catch (...) {
  }
}

void CSaveAsDlg::OnNext() {
  try {
    main_.folderTag = text(IDE_FOLDER_TAG);
    main_.fileCounterStart = qm::ui::counterValue(text(IDE_COUNTER));
    main_.useFileCounter = isChecked(IDX_USE_COUNTER) ? 1 : 0;
    main_.useFolderTag = isChecked(IDX_USE_FOLDER_TAG) ? 1 : 0;
    main_.useFileName = isChecked(IDX_USE_FILE_NAME) ? 1 : 0;
    main_.useTypeTag = isChecked(IDX_USE_TYPE_TAG) ? 1 : 0;
  } catch (...) {
  }
  endDialog(IDOK);
}

void CSaveAsDlg::OnCancel() { endDialog(IDCANCEL); }

void CSaveAsDlg::showPreview() {
  setText(IDT_NAMING_PREVIEW, qm::ui::namingPreview(previewPrefix, parts_));
}

void CSaveAsDlg::restoreText(int id, const std::string& accepted) {
  setText(id, accepted);
  const auto end = static_cast<LPARAM>(GetWindowTextLengthW(item(id)));
  SendMessageW(item(id), EM_SETSEL, static_cast<WPARAM>(end), end);
}

void CSaveAsDlg::showMessage(const std::string& message) {
  services_.messageBox(window(), message, main_.appName(), MB_OK);
}

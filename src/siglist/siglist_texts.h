// Titles and texts of the signal list editor's messages, in one place so the windows and their tests
// use the same words. Texts are 8-bit; CR LF breaks lines inside a message.
#pragma once

namespace zarn::sigtext {

// New
inline constexpr const char* kNewTitle = "New Signal List... CONFIRMATION:";
inline constexpr const char* kNewText1 = "Signal List's temp_file, "; // + default list path
inline constexpr const char* kNewText2 =
    "\r\nwill be erased to make room for new data.\r\nDo you want to continue?";

// File dialogs (Zarn_zed32 / SigRoll32)
inline constexpr const char* kOpenDialog = "Loading... Signal List File";
inline constexpr const char* kImportDialog = "Importing... Frequency List File";
inline constexpr const char* kSaveAsDialog = "Saving... Signal List File";
inline constexpr const char* kOpenDialogStandalone = "Select... Signal List file to Open";
inline constexpr const char* kImportDialogStandalone = "Select... Signal List file to Import data from";
inline constexpr const char* kSaveAsDialogStandalone = "Select... Signal List Filename";
inline constexpr const char* kSigFilter = "File (*.SIG)|*.SIG";

// Collisions: title, and the question made by ReplaceQuestion
inline constexpr const char* kImportConfirm = "IMPORT Signal... CONFIRMATION:";
inline constexpr const char* kAddConfirm = "ADD Signal... CONFIRMATION:";
inline constexpr const char* kEditConfirm = "EDIT Signal... CONFIRMATION:";
inline constexpr const char* kPasteConfirm = "PASTE Signal... CONFIRMATION:";

// Reprocess (Zarn_zed32 only)
inline constexpr const char* kReprocessTitle = "Default sig BW change";
inline constexpr const char* kReprocessText =
    "The change made requires the file to be reprocessed to become affective.  Ok to reprocess now?";

// Edit
inline constexpr const char* kEditWarnTitle = "EDIT Signal List... WARNING:";
inline constexpr const char* kEditWarnText = "Please select data field(s) from Signal List before EDITING.";

// Paste
inline constexpr const char* kPasteWarnTitle = "PASTE Signal List... WARNING:";
inline constexpr const char* kPasteWarnText =
    "Incompatible data format detected, data cannot be pasted into Signal List!";

// Delete and Delete All
inline constexpr const char* kDeleteWarnTitle = "DELETE Signal List... WARNING:";
inline constexpr const char* kDeleteEmptyText =
    "Signal List is already empty.  There is no data to be DELETED.";
inline constexpr const char* kDeleteNoneText =
    "Please highlight data field(s) from Signal List before DELETING.";
inline constexpr const char* kDeleteConfirmTitle = "DELETE Signal List... CONFIRMATION:";
inline constexpr const char* kDeleteConfirmText =
    "Are you sure, you want to delete highlighted data from Signal List?";
inline constexpr const char* kDeleteAllText = "Are you sure, you want to delete ALL data from Signal List?";

// Our own: the list file could not be written. The list stays in memory as it is.
inline constexpr const char* kSaveWarnTitle = "SAVE Signal List... WARNING:";
inline constexpr const char* kSaveWarnText1 =
    "Signal List could not be written to "; // + path + CR LF + reason
inline constexpr const char* kSaveWarnText2 =
    "\r\nThe data is kept in the Signal List.  Use Signal List Filename... to write it to another file.";

// Our own: the pointer file could not be rewritten (title kSaveWarnTitle). The list file itself is
// fine; only the next start may open the list that was current before.
inline constexpr const char* kPointerWarnText1 =
    "The name of the current Signal List could not be written to "; // + path + CR LF + reason
inline constexpr const char* kPointerWarnText2 =
    "\r\nThe next start may open the Signal List that was current before.";

// Our own: the comment chooser's texts could not be written. The chooser keeps them until it closes.
inline constexpr const char* kCommentWarnTitle = "COMMENT Signal List... WARNING:";
inline constexpr const char* kCommentWarnText1 =
    "The comment texts could not be written to "; // + path + CR LF + reason
inline constexpr const char* kCommentWarnText2 =
    "\r\nThe text is kept in the chooser until the window closes.";

// Our own: the list is full. Nothing already listed is touched.
inline constexpr const char* kFullWarnTitleSuffix = " Signal List... WARNING:"; // after ADD, IMPORT, PASTE
inline constexpr const char* kFullWarnText =
    "Signal List is full (32767 entries).  No more data can be added.";

// Our own: lists in other programs' formats (File menu, below Close).
inline constexpr const char* kImportOtherDialog = "Importing... List From Other Format";
inline constexpr const char* kExportOtherDialog = "Exporting... List To Other Format";
inline constexpr const char* kImportOtherFilter = "All list formats|*.csv;*.json|gqrx bookmarks|*.csv|"
                                                  "SDR++ frequency manager|*.json|CHIRP CSV|*.csv|"
                                                  "Scanner channel CSV|*.csv";
inline constexpr const char* kExportOtherFilter =
    "gqrx bookmarks|*.csv|SDR++ frequency manager|*.json|CHIRP CSV|*.csv|Scanner channel CSV|*.csv";
inline constexpr const char* kImportOtherTitle = "IMPORT Other Format... RESULT:";
inline constexpr const char* kImportOtherUnknown =
    "The file is not a list in a format the Signal List knows: gqrx bookmarks, SDR++ frequency manager, "
    "CHIRP CSV or scanner channel CSV.";
inline constexpr const char* kImportOtherListTitle = "IMPORT Other Format... CONFIRMATION:";
inline constexpr const char* kExportOtherTitle = "EXPORT Other Format... RESULT:";
inline constexpr const char* kExportOtherWarnTitle = "EXPORT Other Format... WARNING:";
inline constexpr const char* kExportOtherConfirmTitle = "EXPORT Other Format... CONFIRMATION:";

// Help line
inline constexpr const char* kHelpSignal = "Signal# ";      // + position from 1, "0000"
inline constexpr const char* kHelpFilename = "Filename = "; // + list path in lower case
inline constexpr const char* kHelpAdd = "ADD new data into Signal List";
inline constexpr const char* kHelpEdit = "EDIT selected data in the Signal List";
inline constexpr const char* kHelpDelete = "DELETE highlighted data from Signal List";
inline constexpr const char* kHelpTransfer = "TRANSFER data into the RECEIVER CONTROL PANEL";

} // namespace zarn::sigtext

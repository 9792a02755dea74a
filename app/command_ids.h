#pragma once

namespace vorn {

// Command numbers shared by the main frame, the list pane and its context
// menu. They match the numbers the original resource scripts used, which the
// archive commands and the tests refer to.
enum CommandId : int {
    ID_FILE_ADD = 32771,        // "Add file(s)": never enabled, removed from menus
    ID_FILE_EXTRACT = 32772,
    ID_FILE_NEWDIRECTORY = 32773,
    ID_FILE_MOVETODIRECTORY = 32774,
    ID_FILE_DELETE = 32775,
    ID_FILE_RENAME = 32776,
    ID_FILE_QUICKSAVE = 32778,
    ID_FILE_OPEN_READONLY = 32779,
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_MRU_FILE1 = 57616,  // recent-file entries 57616 .. 57631
    ID_APP_EXIT = 57665,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    // The editor's own commands, outside the ranges above.
    ID_EDIT_FILTER = 33100,
    ID_EDIT_FIND_IN_ARCHIVE = 33101,
    ID_EDIT_CLONE_OBJECT = 33102,
    ID_VIEW_THUMBNAILS = 33103,
    ID_VIEW_SORT_BY_NAME = 33104,
    ID_VIEW_SORT_BY_SIZE = 33105,
};

} // namespace vorn

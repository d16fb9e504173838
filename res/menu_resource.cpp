#include "res/menu_resource.h"

#include "res/resource_ids.h"

namespace res {

const std::vector<PopupResource>& mainMenu() {
    static const std::vector<PopupResource> menu = {
        {"ファイル",
         {{"設定", ID_FILE_SETTINGS},
          {nullptr, 0},
          {"イコライザ", ID_FILE_EQUALIZER},
          {"コンプレッサ", ID_FILE_COMPRESSOR},
          {"リバーブ", ID_FILE_REVERB},
          {nullptr, 0},
          {"終了", ID_APP_EXIT}}},
        {"演奏",
         {{"再生/一時停止\tSpace", ID_PLAY_PLAYPAUSE},
          {"停止", ID_PLAY_STOP},
          {"前へ\t,", ID_PLAY_PREV},
          {"次へ\t.", ID_PLAY_NEXT},
          {"スキップ", ID_PLAY_SKIP}}},
        {"ヘルプ", {{"バージョン情報", ID_APP_ABOUT}}},
    };
    return menu;
}

const std::vector<AcceleratorResource>& mainAccelerators() {
    // The editing, file and pane keys of the standard table have no handler
    // in the frame: they are taken and do nothing, so no control acts on them.
    enum : int {
        ID_FILE_NEW = 0xE100,
        ID_FILE_OPEN = 0xE101,
        ID_FILE_SAVE = 0xE103,
        ID_FILE_PRINT = 0xE107,
        ID_EDIT_COPY = 0xE122,
        ID_EDIT_CUT = 0xE123,
        ID_EDIT_PASTE = 0xE125,
        ID_EDIT_UNDO = 0xE12B,
        ID_NEXT_PANE = 0xE150,
        ID_PREV_PANE = 0xE151,
    };
    struct Binding {
        int id;
        std::initializer_list<QKeyCombination> keys;
    };
    static const std::vector<AcceleratorResource> table = [] {
        const Binding bindings[] = {
            {ID_PLAY_PLAYPAUSE, {Qt::Key_Space}},
            {ID_PLAY_PREV, {Qt::Key_Comma}},
            {ID_PLAY_NEXT, {Qt::Key_Period}},
            {ID_EDIT_COPY, {Qt::CTRL | Qt::Key_C, Qt::CTRL | Qt::Key_Insert}},
            {ID_EDIT_CUT, {Qt::SHIFT | Qt::Key_Delete, Qt::CTRL | Qt::Key_X}},
            {ID_EDIT_PASTE, {Qt::CTRL | Qt::Key_V, Qt::SHIFT | Qt::Key_Insert}},
            {ID_EDIT_UNDO, {Qt::ALT | Qt::Key_Backspace, Qt::CTRL | Qt::Key_Z}},
            {ID_FILE_NEW, {Qt::CTRL | Qt::Key_N}},
            {ID_FILE_OPEN, {Qt::CTRL | Qt::Key_O}},
            {ID_FILE_PRINT, {Qt::CTRL | Qt::Key_P}},
            {ID_FILE_SAVE, {Qt::CTRL | Qt::Key_S}},
            {ID_NEXT_PANE, {Qt::Key_F6}},
            {ID_PREV_PANE, {Qt::SHIFT | Qt::Key_F6}},
        };
        std::vector<AcceleratorResource> entries;
        for (const Binding& binding : bindings) {
            for (QKeyCombination key : binding.keys)
                entries.push_back({QKeySequence(key), binding.id});
        }
        return entries;
    }();
    return table;
}

const std::vector<int>& toolbarCommands() {
    static const std::vector<int> buttons = {ID_PLAY_PLAYPAUSE, ID_PLAY_STOP, ID_PLAY_PREV,
                                             ID_PLAY_NEXT};
    return buttons;
}

} // namespace res

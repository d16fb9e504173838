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
    static const std::vector<AcceleratorResource> table = {
        {QKeySequence(Qt::Key_Space), ID_PLAY_PLAYPAUSE},
        {QKeySequence(Qt::Key_Comma), ID_PLAY_PREV},
        {QKeySequence(Qt::Key_Period), ID_PLAY_NEXT},
        {QKeySequence(Qt::CTRL | Qt::Key_C), 0xE122},
        {QKeySequence(Qt::CTRL | Qt::Key_Insert), 0xE122},
        {QKeySequence(Qt::SHIFT | Qt::Key_Delete), 0xE123},
        {QKeySequence(Qt::CTRL | Qt::Key_X), 0xE123},
        {QKeySequence(Qt::CTRL | Qt::Key_V), 0xE125},
        {QKeySequence(Qt::SHIFT | Qt::Key_Insert), 0xE125},
        {QKeySequence(Qt::ALT | Qt::Key_Backspace), 0xE12B},
        {QKeySequence(Qt::CTRL | Qt::Key_Z), 0xE12B},
        {QKeySequence(Qt::CTRL | Qt::Key_N), 0xE100},
        {QKeySequence(Qt::CTRL | Qt::Key_O), 0xE101},
        {QKeySequence(Qt::CTRL | Qt::Key_P), 0xE107},
        {QKeySequence(Qt::CTRL | Qt::Key_S), 0xE103},
        {QKeySequence(Qt::Key_F6), 0xE150},
        {QKeySequence(Qt::SHIFT | Qt::Key_F6), 0xE151},
    };
    return table;
}

const std::vector<int>& toolbarCommands() {
    static const std::vector<int> buttons = {ID_PLAY_PLAYPAUSE, ID_PLAY_STOP, ID_PLAY_PREV,
                                             ID_PLAY_NEXT};
    return buttons;
}

} // namespace res

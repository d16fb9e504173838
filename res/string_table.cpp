#include "res/string_table.h"

#include <map>

namespace res {

QString loadString(int id) {
    static const std::map<int, const char*> table = {
        {104, "Quaverly"},
        {105, "全曲"},
        {106, "全曲リピート"},
        {107, "1曲"},
        {108, "1曲リピート"},
        {109, "ドライブリスト"},
        {110, "設定"},
        {111, "全般"},
        {112, "不正なバージョンのBASS.DLLがロードされました"},
        {113, "ランダム"},
        {114, "デバイスを初期化できません"},
        {115, "ストリームをオープンできません"},
        {116, "ストリームを再生できません"},
        {118, "DSP"},
        {119, "ネットラジオ"},
        {120, "ポッドキャスト"},
        {121, "設定を保存できません。変更はこの実行の間だけ有効です。"},
        {32771, "停止\n停止"},
        {32772, "前へ\n前へ"},
        {32773, "次へ\n次へ"},
        {32774, "再生/一時停止\n再生/一時停止"},
    };
    const auto found = table.find(id);
    return found == table.end() ? QString() : QString::fromUtf8(found->second);
}

} // namespace res

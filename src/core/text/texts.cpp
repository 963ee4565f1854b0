#include "core/text/texts.h"

#include <array>
#include <iterator>

#include "core/text/code_page.h"

namespace zelmora::texts {
namespace {

constexpr const char* kUtf8[] = {
    "Zelmora！株価＆開示 ver%d.%d ",
    "適時開示をメール",
    "株価場終了後にメール",
    "株価を%d分毎にメール",
    "東証",
    "ＪＱ",
    "ＨＣ",
    "大証",
    "名証",
    "福岡",
    "札幌",
    "[key]_</tr><tr align=right>",
    "[銘柄名]_align=absmiddle><b>_&nbsp;</b>",
    "[時間]_<td nowrap align=center>_</td>",
    "[現在値]_<td nowrap><b>_</b></td>",
    "[前日差]_<td nowrap>_</td>",
    "[差割合]_<td nowrap>_</td>",
    "[出来高]_<td nowrap>_</td>",
    "http://quote.yahoo.co.jp/q?s=銘柄.市場",
    "http://quote.yahoo.co.jp/q?s=998407",
    "Yahoo finance",
    "Yahoo日経",
    "銘柄",
    "市場",
    "△ ",
    "▼ ",
    "－ ",
    "－",
    "データ取得中",
    "日経平均",
    "日経先物",
    "%s ( %s ) %s",
    " %s ",
    "no data",
    "登録できるアイテム数は15個までです。",
    "データが見つかりません　　",
    "送信エラー",
    "あり 右click",
    "meigara",
    "%s %s\n %s 現値 %s 前日差 %s",
    "%s %s\n %s 現値 %s 前日差 %s\n適時あり",
    " %s　%s　%s　%s　%s",
    " 適時情報",
    "送信しました",
    "株価メール破棄",
    "株価ページの形式が変わった可能性があります（設定→株価取得元の設定）",
    "株価ページの形式変更の可能性",
    "送信待ち %s件",
    "送信できなかった開示メールを outbox/failed に移しました",
    "開示履歴を保存できません: %s",
    "接続エラー",
    "株価取得エラー",
    "株価取得エラー (最終取得 %s)",
    "株価取得エラー: %s 時点の株価です",
    "上限",
    "下限",
    "変化率",
    "上限 %s 以上",
    "下限 %s 以下",
    "変化率 %s（基準 %s%%）",
    "株価アラート",
    "アラート履歴を保存できません: %s",
};

static_assert(std::size(kUtf8) == Count, "every text id needs its text");

} // namespace

const std::string& Sjis(Id id)
{
    static const std::array<std::string, Count> converted = [] {
        std::array<std::string, Count> all;
        for (std::size_t i = 0; i < all.size(); ++i)
            all[i] = Utf8ToSjis(kUtf8[i]);
        return all;
    }();
    return converted[id];
}

} // namespace zelmora::texts

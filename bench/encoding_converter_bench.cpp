#include <benchmark/benchmark.h>

#include <iconv.h>

#include <string>

#include "core/text/encoding_converter.h"

namespace {

// A quote list as a page would show it: markup and figures around Japanese names.
const char* const kRows[] = {
    "7203", "トヨタ自動車",         "6758", "ソニーグループ",       "9432", "日本電信電話",
    "8306", "三菱ＵＦＪフィナンシャル・グループ", "7974", "任天堂", "9984", "ソフトバンクグループ",
    "4502", "武田薬品工業",         "6501", "日立製作所",           "8035", "東京エレクトロン",
    "4063", "信越化学工業",         "6861", "キーエンス",           "8001", "伊藤忠商事",
    "7267", "本田技研工業",         "9101", "日本郵船",             "9104", "商船三井",
    "9107", "川崎汽船",             "2802", "味の素",               "4452", "花王",
    "4911", "資生堂",               "4507", "塩野義製薬",           "4568", "第一三共",
    "9022", "東海旅客鉄道",         "9508", "九州電力",             "9503", "関西電力",
    "1812", "鹿島建設",             "1802", "大林組",
    "9936", "王将フードサービス（餃子の王将）",
};

std::string Utf8Page()
{
    std::string page = "<html><head><title>株価一覧 - 東証プライム</title></head><body>\n<table>\n"
                       "<tr><th>コード</th><th>銘柄</th><th>現在値</th><th>前日比</th><th>出来高</th></tr>\n";
    int n = 0;
    while (page.size() < 6000) {
        for (std::size_t i = 0; i + 1 < std::size(kRows); i += 2, ++n) {
            page += "<tr><td class=\"code\">";
            page += kRows[i];
            page += "</td><td class=\"name\">";
            page += kRows[i + 1];
            page += "</td><td>" + std::to_string(1000 + n * 37) + "</td><td>";
            page += n % 3 == 0 ? "+12.5 (+0.84%)" : "-3.0 (-0.21%)";
            page += "</td><td>" + std::to_string(100000 + n * 1234) + "株</td><td>年初来高値</td></tr>\n";
        }
    }
    return page + "</table>\n<p>15:00 現在　時価総額・配当利回りは前日終値ベース</p></body></html>\n";
}

class Iconv {
public:
    explicit Iconv(const char* from) : m_cd(iconv_open("CP932", from)) {}
    ~Iconv() { iconv_close(m_cd); }

    // Converts all of text into out, which must be large enough; false when iconv stops early.
    bool Run(const std::string& text, std::string& out)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(text.data());
        std::size_t inLeft = text.size();
        char* dst = out.data();
        std::size_t outLeft = out.size();
        return iconv(m_cd, &in, &inLeft, &dst, &outLeft) != static_cast<std::size_t>(-1) && inLeft == 0;
    }

private:
    iconv_t m_cd;
};

std::string ToEucJp(const std::string& utf8)
{
    iconv_t cd = iconv_open("EUC-JP", "UTF-8");
    std::string out(utf8.size() * 2, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* dst = out.data();
    std::size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &dst, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return inLeft == 0 ? out : std::string();
}

void RunConverter(benchmark::State& state, const std::string& text, int expectedScore)
{
    std::string out;
    if (zelmora::ConvertToShiftJis(text, out) != expectedScore || expectedScore == 0) {
        state.SkipWithError("the text is not read in the encoding this benchmark is about");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(zelmora::ConvertToShiftJis(text, out));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
    state.counters["bytes"] = static_cast<double>(text.size());
}

void RunIconv(benchmark::State& state, const std::string& text, const char* from)
{
    Iconv converter(from);
    std::string out(text.size() * 2, '\0');
    if (!converter.Run(text, out)) {
        state.SkipWithError("iconv cannot convert the whole text");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(converter.Run(text, out));
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void BM_ConvertEucJp(benchmark::State& state)
{
    const std::string text = ToEucJp(Utf8Page());
    RunConverter(state, text, zelmora::Score(zelmora::JapaneseEncoding::EucJp, text));
}

void BM_IconvEucJp(benchmark::State& state) { RunIconv(state, ToEucJp(Utf8Page()), "EUC-JP"); }

void BM_ConvertUtf8(benchmark::State& state)
{
    const std::string text = Utf8Page();
    RunConverter(state, text, zelmora::Score(zelmora::JapaneseEncoding::Utf8, text));
}

void BM_IconvUtf8(benchmark::State& state) { RunIconv(state, Utf8Page(), "UTF-8"); }

} // namespace

BENCHMARK(BM_ConvertEucJp);
BENCHMARK(BM_IconvEucJp);
BENCHMARK(BM_ConvertUtf8);
BENCHMARK(BM_IconvUtf8);

BENCHMARK_MAIN();

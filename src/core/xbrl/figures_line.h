#pragma once

#include <cstdint>
#include <string>

#include "core/xbrl/earnings_figures.h"

// The key figures in one line of text, as the notification, the mail, the
// disclosure menu's tip and kessan.txt show them:
// 売上高 1兆2,345億円(+5.2%) 営業利益 1,234億円(+12.0%) 経常利益 1,300億円(+10.1%) 純利益 890億円(-3.1%)
// EPS 45.6円 / 通期予想 営業利益 1,333億円(+8.0%)
namespace zelmora {

// UTF-8; empty when the figures hold nothing to show.
std::string FiguresLine(const EarningsFigures& figures);

// An amount in yen: 100億円 and more in whole 億円 (with 兆 from 1兆),
// below in 億円 with one decimal, below 1億円 in whole 百万円; each rounded to
// the nearest, halves away from zero; "-" before a negative one. Empty when
// it does not fit.
std::string AmountText(const XbrlNumber& yen);

// A fraction as a signed percentage with one decimal: "+5.2%", "-3.1%".
std::string RateText(const XbrlNumber& fraction);

} // namespace zelmora

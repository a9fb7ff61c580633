// Where the fields of the ".V24" records lie: the one table the producers write with and the
// export report reads with. Positions are 1-based, as the record tables state them. Pure data.
#pragma once

#include <cstddef>
#include <string_view>

namespace zr::layout {

struct Field {
  std::size_t pos;
  std::size_t len;
  // The field's bytes in a record of the file's length (blank-padded when the record is short).
  std::string_view in(std::string_view record) const {
    if (pos == 0 || pos > record.size()) return {};
    return record.substr(pos - 1, len);
  }
};

// Every record begins with the company code; the quadro records go on with the two fiscal codes.
inline constexpr Field kCompany{1, 3};
inline constexpr Field kDeclarantCode{4, 16};
inline constexpr Field kOwnCode{20, 16};

// QUADST (190). QUADSV (189) is the same record without the section at 36: see sv().
namespace st {
inline constexpr Field kSection{36, 1};
inline constexpr Field kProgressive{37, 4};
inline constexpr Field kPeriod{41, 6};
inline constexpr Field kAmountA{47, 14};
inline constexpr Field kAmountB{61, 14};
inline constexpr Field kAmountC{75, 14};
inline constexpr Field kPaid{89, 14};
inline constexpr Field kZero103{103, 14};
inline constexpr Field kNote{117, 11};
inline constexpr Field kZero129{129, 1};
inline constexpr Field kTributeCode{130, 4};
// "0" on the F24 rows, blank on the self-employment rows that follow them.
inline constexpr Field kRowKind{136, 1};
inline constexpr Field kRegion{137, 2};
inline constexpr Field kPaymentDate{139, 8};
inline constexpr Field kZero147{147, 1};
inline constexpr Field kCredit{148, 14};
inline constexpr Field kZero162{162, 14};
inline constexpr Field kZero177{177, 14};
}  // namespace st

// The QUADSV field that stands where `f` of QUADST does: one position less from 36 on.
constexpr Field sv(Field f) {
  return f.pos > st::kSection.pos ? Field{f.pos - 1, f.len} : f;
}
inline constexpr std::size_t kSectionOffset = st::kSection.pos - 1;  // what SV leaves out

// Q770ULTE (219): quadro SX, one record per company.
namespace sx {
inline constexpr Field kCu1_104{36, 14};
inline constexpr Field kCu1_73{50, 14};
inline constexpr Field kCu1Net{64, 14};  // the QUADROCU1 sum less the 1701 credits
inline constexpr Field kHasCu1{78, 1};
inline constexpr Field kHasCu4{79, 1};
inline constexpr Field kSx1{80, 14};
inline constexpr Field kSx2{94, 14};
inline constexpr Field kCu1_55{108, 14};
inline constexpr Field kCu1_61{122, 14};
inline constexpr Field kEmployees{136, 14};  // the employees' total, SX2 when it is 0
inline constexpr Field kCu1Sum{150, 14};
inline constexpr Field kCu1_96{164, 14};
inline constexpr Field k1701{178, 14};
inline constexpr Field kSx1With6781{192, 14};
inline constexpr Field k6781{206, 14};
}  // namespace sx

// SOSTITUT (202): a company whose return another company presents.
namespace substitute {
inline constexpr Field kFiscalCode{4, 16};
inline constexpr Field kName{20, 30};
inline constexpr Field kDeclarant{198, 3};  // the presenting company's code
inline constexpr Field kKind{201, 2};
}  // namespace substitute

// FRONTE (1964): the front page of a company that presents its own return.
namespace front {
inline constexpr Field kFiscalCode{4, 16};
inline constexpr Field kSurname{44, 30};  // a natural person's; blank otherwise
inline constexpr Field kName{74, 60};
}  // namespace front

}  // namespace zr::layout

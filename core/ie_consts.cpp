// rulecore: an embeddable expert-system shell.
#include "core/ie_consts.h"

#include "core/ie_exception.h"

namespace rulecore {

bool FindTypeKeyword(std::string_view word, TIETypes* kinds) {
  for (const TTypeKeyword& k : IETypeKeywords) {
    if (word == k.text) {
      *kinds = k.kinds;
      return true;
    }
  }
  return false;
}

bool JoinTypeKeyword(std::string_view word, TIETypes* kinds) {
  TIETypes found;
  if (!FindTypeKeyword(word, &found)) return false;
  *kinds = word == STypeVariableKeyword ? found : (*kinds | found);
  return true;
}

void RaiseIE(std::string_view message, std::initializer_list<FormatArg> args) {
  throw EIEException(Format(message, args));
}

}  // namespace rulecore

// The right-click action and the system calls.
#include "app/engine.h"
#include "platform/text_codec.h"
#include "script/script.h"
#include "text/text.h"
#include "ui/ui.h"

namespace veloria {

void runSystemAction(Engine& e, int code) {
  if (code != -1) return;
  switch (e.ui.rightClickAction) {
    case RightClickAction::Nothing: return;
    case RightClickAction::Subroutine:
      // rgosub: the routine runs in place of the wait; its return makes the wait again.
      e.script.rgosubTaken = 1;
      if (!callStackPush(e, e.script.scriptPos))
        reportScriptError(e, sj("スタックエラー"), sj("rgosub処理のせいでスタックが溢れました。"));
      jumpToLabel(e, e.text.rgosubLabel);
      return;
    default:
      // Until the system menu exists, the other actions hide the window until a click,
      // which is the action scripts start with.
      eraseWindowUntilClick(e);
      return;
  }
}

}  // namespace veloria

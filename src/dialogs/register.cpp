#include "dialogs/register.hpp"

#include "billing/summe_bilden.hpp"
#include "dialogs/frm_kat1.hpp"
#include "dialogs/frm_kat2.hpp"
#include "dialogs/frm_kat3.hpp"
#include "dialogs/frm_kat4.hpp"
#include "platform/forms/form.hpp"
#include "plugin/dialog_registry.hpp"

namespace korvax::dialogs {

void RegisterFeeDialogs() {
  RegisterDialog(0, [] { forms::FormInstance<FrmKat1>().ShowModal(); });
  RegisterDialog(1, [] { forms::FormInstance<FrmKat2>().ShowModal(); });
  RegisterDialog(2, [] { forms::FormInstance<FrmKat3>().ShowModal(); });
  RegisterDialog(3, [] { forms::FormInstance<FrmKat4>().ShowModal(); });
  RegisterTotals([](bool zahlungsziel) { SummeBilden(zahlungsziel); });
}

}  // namespace korvax::dialogs

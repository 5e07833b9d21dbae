#include "common/funktionen.hpp"

#include <algorithm>
#include <memory>
#include <optional>

#include "common/error.hpp"
#include "common/format.hpp"
#include "common/operation.hpp"
#include "common/settings_store.hpp"
#include "common/text.hpp"

namespace korvax {

namespace {

constexpr std::string_view kModule = "Funktionen";
constexpr std::string_view kWindowModule = "G_Funktionen";
constexpr std::string_view kApplication = "VaroVerwaltung";

// Examining a field means reading its value; other variants are their own value.
Variant Examine(const Variant& field) {
  if (field.Type() == VarType::Object) {
    if (auto value = std::dynamic_pointer_cast<ValueObject>(field.AsObject())) {
      return value->Value();
    }
    throw errors::TypeMismatch();
  }
  return field;
}

bool IsEmptyText(const Variant& v) {
  return v.Type() == VarType::String && v.AsString().empty();
}

}  // namespace

Variant BoolDatensatzLesen(const Variant& field) {
  Operation op(kModule, "BoolDatensatzLesen");
  Variant value;
  Variant result;
  if (op.If(120, [&] {
        value = Examine(field);
        return value.IsNull();
      })) {
    op.Step(130, [&] { result = Variant(int16_t{0}); });
  } else {
    op.Step(140, [&] { result = value; });
  }
  return result;
}

Variant ZahlDatensatzLesen(const Variant& field) {
  Operation op(kModule, "ZahlDatensatzLesen");
  Variant value;
  Variant result;
  if (op.If(120, [&] {
        value = Examine(field);
        return value.IsNull() || IsEmptyText(value);
      })) {
    op.Step(130, [&] { result = Variant(int16_t{0}); });
  } else {
    op.Step(140, [&] { result = value; });
  }
  return result;
}

std::string Tausche(std::string_view text, std::string_view search, std::string_view replacement) {
  Operation op(kModule, "Tausche");
  std::string result;
  op.Step(100, [&] { result = text::Replace(text, search, replacement); });
  return result;
}

std::string WertFormatieren(std::string_view input, int16_t width, int16_t decimals) {
  Operation op(kModule, "WertFormatieren");
  std::string value;
  int p = 0;
  // The three exchanges of single ASCII characters, in one pass: points
  // out, commas to points, percent signs to blanks.
  op.Step(100, [&] {
    value.resize(input.size());
    char* out = value.data();
    for (char c : input) {
      if (c == '.') continue;
      *out++ = c == ',' ? '.' : c == '%' ? ' ' : c;
    }
    value.resize(static_cast<size_t>(out - value.data()));
  });
  op.Step(130, [&] {
    p = width - decimals - 1;
    if (decimals == 0) p = p + 1;
  });
  // Moves the digits before position p to the right while p holds a blank.
  if (op.If(140, [&] { return p > 0; })) {
    op.Step(150, [&] {
      int k = p - 1;
      if (text::IsAscii(value)) {  // one byte per character, and it stays so
        while (static_cast<int>(value.size()) >= p && value[p - 1] == ' ' && k > 0) {
          value.resize(p);
          value.insert(value.begin(), ' ');
          k = k - 1;
        }
        return;
      }
      while (text::Len(value) >= p && text::Mid(value, p, 1) == " " && k > 0) {
        value = " " + text::Left(value, p);
        k = k - 1;
      }
    });
  }
  op.Step(160, [&] {
    if (value.empty()) value = "0";
  });
  std::optional<double> number;  // Val(value), while value is what step 170 read
  op.Step(170, [&] {
    number = Val(value);
    // A blank is a character of its own, so the last byte is the last character.
    if (*number == 0 && !value.empty() && value.back() == ' ') {
      value.back() = '0';
      number.reset();
    }
  });
  op.Step(180, [&] {
    auto val = [&] { return number ? *number : Val(value); };
    switch (decimals) {
      case 2:
        value = Format(val(), "#,##0.00");
        break;
      case 1:
        value = Format(val(), "#,##0.0");
        break;
      case 3:
        value = Format(val(), "#,##0.000");
        break;
      case 0:
        value = Format(val(), "#,##0");
        break;
      default:
        break;
    }
  });
  std::string result;
  op.Step(190, [&] {
    if (width > 0 && text::IsAscii(value)) {  // Format's "@@@...": blanks up to the width
      if (static_cast<size_t>(width) > value.size()) result.assign(width - value.size(), ' ');
      result += value;
      return;
    }
    result = Format(Variant(value), std::string(std::max<int>(width, 0), '@'));
  });
  return result;
}

double CVal(std::string_view input) {
  Operation op(kModule, "CVal");
  std::string value;
  double result = 0;
  op.Step(100, [&] { value = text::Trim(input); });
  if (op.If(110, [&] { return IsLocaleNumber(value); })) {
    op.Step(120, [&] { result = ParseLocaleNumber(value); });
  } else {
    std::string prefix;
    op.Step(130, [&] {
      for (char c : value) {
        if ((c >= '0' && c <= '9') || c == '-' || c == ',' || c == '.') {
          prefix.push_back(c);
        } else {
          break;
        }
      }
    });
    if (op.If(140, [&] { return !prefix.empty() && prefix != ","; })) {
      op.Step(150, [&] { result = ParseLocaleNumber(prefix); });
    } else {
      op.Step(160, [&] { result = 0; });
    }
  }
  return result;
}

void GetWindowReg(WindowPlacement& form) {
  Operation op(kWindowModule, "GetWindowReg");
  std::string section;
  op.Step(100, [&] { section = form.Name(); });
  op.Step(110, [&] {
    form.SetWindowState(ToInteger(Variant(GetSetting(kApplication, section, "State", "0"))));
  });
  if (op.If(120, [&] { return form.WindowState() == 0; })) {
    op.Step(130,
            [&] { form.SetTop(ToSingle(Variant(GetSetting(kApplication, section, "Top", "0")))); });
    op.Step(140, [&] {
      form.SetLeft(ToSingle(Variant(GetSetting(kApplication, section, "Left", "0"))));
    });
  }
}

void SetWindowReg(WindowPlacement& form) {
  Operation op(kWindowModule, "SetWindowReg");
  std::string section;
  op.Step(100, [&] { section = form.Name(); });
  op.Step(110,
          [&] { SaveSetting(kApplication, section, "State", std::to_string(form.WindowState())); });
  if (op.If(120, [&] { return form.WindowState() == 0; })) {
    op.Step(130, [&] { SaveSetting(kApplication, section, "Top", GeneralNumber(form.Top())); });
    op.Step(140, [&] { SaveSetting(kApplication, section, "Left", GeneralNumber(form.Left())); });
  }
}

int32_t MsgBox(const MessageBoxRequest& request) {
  Operation op(kWindowModule, "MsgBox");
  std::unique_ptr<MessageBoxComponent> box;
  int32_t result = 0;
  op.Step(100, [&] {
    auto factory = RegisteredMessageBoxFactory();
    if (!factory) throw Error(429, "Objekterstellung durch ActiveX-Komponente nicht möglich.");
    box = factory->Create();
  });
  op.Step(110, [&] {
    if (!box) throw errors::ObjectNotSet();
    box->SetOptions(true, true);
  });
  op.Step(120, [&] {
    if (!box) throw errors::ObjectNotSet();
    result = box->Show(request);
  });
  op.Step(130, [&] { box.reset(); });
  return result;
}

}  // namespace korvax

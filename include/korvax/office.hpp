// Korvax C++ API: what a host hands the plug-in object, the office database
// (workspace, database, invoice record) and the Word invoice (.docx).
#ifndef KORVAX_OFFICE_HPP
#define KORVAX_OFFICE_HPP

#include <string>

#include "korvax/value.hpp"

namespace korvax::api {

// An open record set, such as the invoice record handed to Show.
class Recordset : public Object {
 public:
  using Object::Object;
  // The value of a field of the current record, by name.
  Variant Field(const std::string& name) const {
    korvax_error err;
    korvax_variant value;
    detail::Check(korvax_field_value(get(), name.c_str(), &value, &err), err);
    return Variant::Take(value);
  }
};

// An open database: SQLite file path, or what the database layer accepts.
class Database : public Object {
 public:
  using Object::Object;
  Recordset OpenRecordset(const std::string& sql) const {
    korvax_error err;
    return Recordset(detail::Check(korvax_open_recordset(get(), sql.c_str(), &err), err));
  }
};

class Workspace : public Object {
 public:
  using Object::Object;
  static Workspace Open() {
    korvax_error err;
    return Workspace(detail::Check(korvax_open_workspace(&err), err));
  }
  Database OpenDatabase(const std::string& path) const {
    korvax_error err;
    return Database(detail::Check(korvax_open_database(get(), path.c_str(), &err), err));
  }
};

// The invoice, a Word document (.docx), opened in the plug-in's Word layer.
class Document : public Object {
 public:
  using Object::Object;
  static Document Open(const std::string& path) {
    korvax_error err;
    return Document(detail::Check(korvax_open_document(path.c_str(), &err), err));
  }
  // Saves atomically to the file it was opened from.
  void Save() const {
    korvax_error err;
    detail::Check(korvax_save_document(get(), nullptr, &err), err);
  }
  void SaveAs(const std::string& path) const {
    korvax_error err;
    detail::Check(korvax_save_document(get(), path.c_str(), &err), err);
  }
};

}  // namespace korvax::api

#endif  // KORVAX_OFFICE_HPP

// TMemDataSet: loading records from and saving them to comma-separated text.
#include <algorithm>

#include "platform/db/csv.h"
#include "platform/db/db_errors.h"
#include "platform/db/mem_dataset.h"
#include "platform/rtl/file_save_stream.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/strutils.h"
#include "platform/rtl/utf8.h"

namespace lab {

void TMemDataSet::LoadFromCSV(std::string_view Text) {
  TCsvReader reader(Text);
  std::vector<TCsvField> header, line;
  if (!reader.ReadLine(header)) DatabaseError("The text has no header line", this);
  if (!Active()) {
    if (FieldDefs().Count() == 0 && Fields().Count() == 0) {
      // Plain text columns, as wide as their longest value.
      std::vector<int> widths(header.size(), 1);
      TCsvReader sizer(Text);
      sizer.ReadLine(line);
      while (sizer.ReadLine(line))
        for (std::size_t i = 0; i < line.size() && i < widths.size(); ++i)
          widths[i] = std::max(widths[i], static_cast<int>(Utf8Length(line[i].Text)));
      for (std::size_t i = 0; i < header.size(); ++i)
        FieldDefs().Add(Trim(header[i].Text), ftString, widths[i]);
    }
    Open();
  }
  CheckBrowseMode();
  const int columns = static_cast<int>(header.size());
  std::vector<int> target(header.size());
  for (int i = 0; i < columns; ++i) {
    const std::string name = Trim(header[static_cast<std::size_t>(i)].Text);
    target[static_cast<std::size_t>(i)] = FieldDefs().IndexOf(name);
    if (target[static_cast<std::size_t>(i)] < 0) DatabaseErrorFmt(dbmsg::SFieldNotFound, this, name);
    for (int j = 0; j < i; ++j)
      if (target[static_cast<std::size_t>(j)] == target[static_cast<std::size_t>(i)])
        DatabaseErrorFmt(dbmsg::SDuplicateFieldName, this, name);
  }
  std::vector<TFieldType> types;
  for (int c = 0; c < FieldDefs().Count(); ++c) types.push_back(FieldDefs()[c].DataType());
  auto store = std::make_unique<TMemStore>(types);
  std::vector<TRecordId> order;
  Variant value;
  while (reader.ReadLine(line)) {
    if (line.size() == 1 && line[0].Text.empty() && !line[0].Quoted && columns > 1) continue;  // blank line
    if (static_cast<int>(line.size()) != columns)
      DatabaseError(Format("Line %d: %d values where the header names %d fields", reader.Line(),
                           static_cast<int>(line.size()), columns),
                    this);
    const TRecordId id = store->NewRecord();
    order.push_back(id);
    for (int i = 0; i < columns; ++i) {
      const int col = target[static_cast<std::size_t>(i)];
      const TFieldDef& def = FieldDefs()[col];
      const TCsvField& field = line[static_cast<std::size_t>(i)];
      const TConvertResult r = CsvReadValue(def.DataType(), field, value);
      if (r != TConvertResult::Ok)
        DatabaseError(Format("Line %d: '%s' is not a valid %s value for field '%s'", reader.Line(), field.Text,
                             FieldTypeName(def.DataType()), def.Name()),
                      this);
      if (def.DataType() == ftString && def.Size() > 0 && Utf8Length(field.Text) > static_cast<std::size_t>(def.Size()))
        DatabaseError(Format("Line %d: ", reader.Line()) + Format(dbmsg::SFieldTooLong, def.Name(), def.Size()), this);
      store->Set(col, id, value);
    }
  }
  ReplaceStore(std::move(store), std::move(order));
}

void TMemDataSet::LoadFromCSVFile(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead);
  std::string text(static_cast<std::size_t>(stream.Size()), '\0');
  stream.ReadBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  LoadFromCSV(text);
}

std::string TMemDataSet::SaveToCSV() const {
  CheckActive();
  std::string out;
  const int columns = FieldDefs().Count();
  for (int c = 0; c < columns; ++c) {
    if (c) out += ',';
    CsvAppendField(out, FieldDefs()[c].Name(), false);
  }
  out += "\r\n";
  base_.ForEach([&](TRecordId id) {
    for (int c = 0; c < columns; ++c) {
      if (c) out += ',';
      const TFieldType type = FieldDefs()[c].DataType();
      const bool null = store_->IsNull(c, id);
      // Empty text is quoted so it reads back as text, not as Null.
      const std::string text = null ? std::string() : CsvValueText(type, store_->Get(c, id));
      CsvAppendField(out, text, !null && text.empty());
    }
    out += "\r\n";
  });
  return out;
}

void TMemDataSet::SaveToCSVFile(const std::string& FileName) const {
  const std::string text = SaveToCSV();
  TFileSaveStream stream(FileName);
  stream.WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  stream.Commit();
}

}  // namespace lab

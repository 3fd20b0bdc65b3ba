// Named text fields with a text form of their own: for each field, in name order,
// the length of the name (as NumberBase<int> text), the name, the length of the
// value, the value. One field "LengthInBits" = "256" reads
//   0C000000LengthInBits03000000256
#pragma once

#include <cstdint>
#include <map>

#include "asn1/Serializable.h"
#include "asn1/String.h"

namespace tavrpki {

class TagValueEncoder : public Serializable {
 public:
  void Serialize(String& out) const override;
  // Replaces all fields. A length that is not eight hexadecimal digits or that runs
  // past the text throws (hex or "String: Out of buffer" messages) and keeps the old
  // fields. A name given twice keeps its first value.
  void Deserialize(const String& in) override;

  // Replaces an existing field of that name.
  virtual void SetField(const String& name, const String& value);
  // A missing field throws "Помилка доступу до поля "<name>" - поле відсутнє".
  virtual String GetField(const String& name) const;
  virtual bool HasField(const String& name) const;
  virtual void ClearFields();
  virtual std::uint32_t FieldCount() const;
  // The name at `index` in name order; past the last throws 70000.
  virtual String FieldName(std::uint32_t index) const;

 private:
  std::map<String, String> m_fields;  // ordered by String::Less (byte order)
};

}  // namespace tavrpki

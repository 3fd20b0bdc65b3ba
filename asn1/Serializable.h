// Anything with a text form: buffers write hexadecimal, structured objects their own.
#pragma once

namespace tavrpki {

class String;

class Serializable {
 public:
  virtual ~Serializable() = default;
  // Writes the object's text form into `out` (replacing it).
  virtual void Serialize(String& out) const = 0;
  // Replaces the object from its text form; on failure throws and changes nothing.
  virtual void Deserialize(const String& in) = 0;

 protected:
  Serializable() = default;
  Serializable(const Serializable&) = default;
  Serializable& operator=(const Serializable&) = default;
};

}  // namespace tavrpki

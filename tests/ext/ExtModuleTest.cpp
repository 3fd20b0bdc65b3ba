// The external extension module through the real dynamic loader: the
// configuration value, the export, the two-call protocol and codes 280000-280003.
#include "ext/CUnkExtHandler.h"
#include "tests/ext/Support.h"

namespace tavrpki::test {
namespace {

std::string PathValue(const std::string& path) { return "\"ExtHandler\"=\"" + path + "\""; }

TEST(ExtModule, NotLoadedMeans280001) {
  const Blob input = B("300B0603551D1131040C02613D");
  struct Row {
    const char* name;
    std::string hive;  // the "ExtHandler" line, "" for none
  };
  const Row rows[] = {
      {"unset", ""},
      {"empty", PathValue("")},
      {"no such file", PathValue("/nonexistent/libext.so")},
      {"not a library", PathValue(DataPath("ext/handler-forms.vec"))},
      {"no ConvertExt export", PathValue(TAVRPKI_NO_EXPORT_EXT_MODULE)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ConfigSandbox sandbox;
    if (!row.hive.empty()) sandbox.WriteSystem(row.hive);
    CUnkExtHandler module;
    EXPECT_FALSE(module.Load());
    EXPECT_FALSE(module.IsLoaded());
    for (const char* oid : {"2.5.29.17", ""}) {  // before any argument check
      const Failure failure = Catch([&] { module.Convert(oid, input); });
      EXPECT_EQ(failure.code, 280001u);
      EXPECT_EQ(failure.message,
                "Зовнішній модуль обробки розширень сертифікатів не загружено, або загружено з помилками");
    }
  }
}

// The value is read from the machine's hive only.
TEST(ExtModule, ReadFromTheMachineHive) {
  ConfigSandbox sandbox;
  sandbox.WriteUser(PathValue(TAVRPKI_EXAMPLE_EXT_MODULE));
  CUnkExtHandler module;
  EXPECT_FALSE(module.Load());
  sandbox.WriteSystem(PathValue(TAVRPKI_EXAMPLE_EXT_MODULE));
  EXPECT_TRUE(module.Load());
  EXPECT_TRUE(module.Load());  // loading again replaces the module loaded before
}

TEST(ExtModule, ExampleModuleTable) {
  ConfigSandbox sandbox;
  sandbox.WriteSystem(PathValue(TAVRPKI_EXAMPLE_EXT_MODULE));
  CUnkExtHandler module;
  ASSERT_TRUE(module.Load());
  for (const Vector& v : ReadVectorFile("ext/ext-module.vec")) {
    SCOPED_TRACE(v.Where());
    const String oid = v.Get("oid") == "-" ? String("") : String(v.Get("oid").c_str());
    const Blob input = v.Get("input") == "-" ? Blob() : B(v.Get("input"));
    if (v.Has("output")) {
      const Blob output = module.Convert(oid, input);
      EXPECT_EQ(H(output), v.Get("output"));
      // The output is one extension as the certificate takes it.
      ASN1CertExtension extension;
      extension.Decode(output);
      EXPECT_EQ(EncodeHex(extension), v.Get("output"));
    } else {
      const Failure failure = Catch([&] { module.Convert(oid, input); });
      EXPECT_EQ(failure.code, std::stoull(v.Get("code")));
      EXPECT_EQ(failure.message, v.Get("error"));
    }
    v.ExpectAllUsed();
  }
}

// Each step of the protocol where a module can go wrong.
TEST(ExtModule, ProtocolSteps) {
  ConfigSandbox sandbox;
  sandbox.WriteSystem(PathValue(TAVRPKI_SCRIPTED_EXT_MODULE));
  CUnkExtHandler module;
  ASSERT_TRUE(module.Load());
  const Blob input = B("3000");
  struct Row {
    const char* oid;
    std::uint64_t code;
    const char* result;  // the error text or the output
  };
  const Row rows[] = {
      {"1.1", 280003, "Помилка роботи з модулем обробки розширених полів. Код помилки 7"},
      {"1.6", 280003, "Помилка роботи з модулем обробки розширених полів. Код помилки -5"},
      {"1.2", 280003, "Помилка роботи з модулем обробки розширених полів. Код помилки 9"},  // second call
      {"9.9", 280000, "Зовнішній модуль обробки розширень сертифікатів не підтримує обробку розширення. OID = 9.9"},
      {"1.3", 0, "30020500"},  // asked for 10 octets, wrote 4: the output is the 4
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.oid);
    if (row.code == 0) {
      EXPECT_EQ(H(module.Convert(row.oid, input)), row.result);
      continue;
    }
    const Failure failure = Catch([&] { module.Convert(row.oid, input); });
    EXPECT_EQ(failure.code, row.code);
    EXPECT_EQ(failure.message, row.result);
  }
}

}  // namespace
}  // namespace tavrpki::test

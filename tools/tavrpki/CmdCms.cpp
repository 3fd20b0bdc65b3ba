// tavrpki cms: CMS signed messages with DSTU 4145 keys of the key storage.
//   cms sign --key NAME --cert FILE [--storage DIR] [--password-file FILE]
//            [--detached] [--spec-attrs] [--no-signing-time] [--tsa URL] IN OUT
//     Streams IN through the envelope's header, the data and its footer, so memory
//     stays constant whatever the size; a progress bar goes to standard error when
//     it is a terminal and IN is large. The signed attributes are signed as SET OF
//     (RFC 5652) with a signing time, unless --spec-attrs (signed as the [0] element,
//     this system's own form; the option's name is fixed for scripts)
//     or --no-signing-time. --tsa adds a content time stamp (signed attribute
//     1.2.840.113549.1.9.16.2.20) of the content's digest from the time-stamp
//     server at URL, the whole address as for `ts request`.
//   cms verify FILE [--content FILE] [--out FILE] [--store FILE]
//     One line per signer: subject, serial, signing time, the form of the signed
//     attributes, then "ok" or why not; below it one line per time stamp (content
//     and, CAdES-T, signature) with its time and check, the authority's certificate
//     taken from the token or the store. Exit 0 only when every signer and every
//     time stamp that could be checked verifies, 1 when one does not, 2 for
//     unusable input. --out writes the attached content.
//   cms show FILE
//     The structure, every attribute decoded; a large attached content is left
//     in the file, as verify leaves it.
// Inputs may be DER, PEM or Base64; passwords as for `tavrpki key`.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Command.h"
#include "ConfigOverride.h"
#include "KeyPassword.h"
#include "KeyStorageDefault.h"
#include "LibraryInput.h"
#include "Output.h"
#include "TimeStampCheck.h"
#include "asn1/cms/SignedMessageText.h"
#include "asn1/cms/StreamedMessage.h"
#include "asn1/tsp/TokenFacts.h"
#include "core/ExceptionBase.h"
#include "core/MessageText.h"
#include "kernel/CKernel.h"
#include "kernel/CKernelCertificate.h"
#include "kernel/CKernelDoubleKeyPair.h"
#include "kernel/CKernelException.h"
#include "kernel/CKernelSignatureEnvelope.h"
#include "kernel/CKernelSignerInfo.h"
#include "kernel/CKernelTSP.h"
#include "kernel/GetKernelInstance.h"

namespace tavrpki::tool {
namespace {

constexpr std::size_t kChunk = 1 << 20;
constexpr std::uint64_t kProgressFrom = 64ull << 20;  // a bar only for inputs that take a while

class InputFile {
 public:
  explicit InputFile(const std::string& path) : m_path(path), m_file(std::fopen(path.c_str(), "rb")) {
    if (m_file == nullptr) throw UsageError{"cannot read " + path + ": " + SystemReason(errno)};
  }
  ~InputFile() { std::fclose(m_file); }
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;
  void Seek(std::uint64_t offset) {
    if (fseeko(m_file, static_cast<off_t>(offset), SEEK_SET) != 0)
      throw FileError{"cannot read " + m_path + ": " + SystemReason(errno)};
  }
  // Up to `size` bytes; 0 at the end.
  std::size_t Read(unsigned char* out, std::size_t size) {
    const std::size_t got = std::fread(out, 1, size, m_file);
    if (got == 0 && std::ferror(m_file)) throw FileError{"cannot read " + m_path + ": " + SystemReason(errno)};
    return got;
  }

 private:
  std::string m_path;
  std::FILE* m_file;
};

class Progress {
 public:
  Progress(const char* what, std::uint64_t total)
      : m_what(what), m_total(total), m_shown(total >= kProgressFrom && isatty(2) == 1) {}
  void Advance(std::uint64_t done) {
    if (!m_shown) return;
    const int percent = static_cast<int>(done * 100 / m_total);
    if (percent == m_percent) return;
    m_percent = percent;
    const int bar = percent / 4;
    std::fprintf(stderr, "\r%s [%.*s%*s] %3d%%", m_what, bar, "#########################", 25 - bar, "", percent);
    if (done == m_total) std::fputc('\n', stderr);
  }

 private:
  const char* m_what;
  std::uint64_t m_total;
  bool m_shown;
  int m_percent = -1;
};

// The content a signature covers: in memory, or a range of a file that is
// streamed each time (a large attached content, a detached one given as a file).
struct Content {
  std::vector<unsigned char> bytes;
  std::string path;
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
  bool inFile = false;

  bool Empty() const { return inFile ? length == 0 : bytes.empty(); }

  template <class Use>
  void ForEachChunk(const char* what, Use&& use) const {
    if (!inFile) {
      use(bytes.data(), bytes.size());
      return;
    }
    InputFile in(path);
    in.Seek(offset);
    std::vector<unsigned char> chunk(kChunk);
    Progress progress(what, length);
    std::uint64_t done = 0;
    while (done < length) {
      const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(chunk.size(), length - done));
      const std::size_t got = in.Read(chunk.data(), want);
      if (got == 0) throw FileError{path + " ends before its content does"};
      use(chunk.data(), got);
      done += got;
      progress.Advance(done);
    }
  }

  std::vector<unsigned char> Hash(const Kernel::CKernel& kernel, const unsigned char* sbox) const {
    void* hash = kernel.CreateHashObject(sbox, nullptr);
    std::vector<unsigned char> value(32);
    try {
      ForEachChunk("hashing", [&](const unsigned char* data, std::size_t n) {
        kernel.HashData(hash, data, static_cast<unsigned long>(n));
      });
    } catch (...) {
      kernel.GetDestroyHash(hash, value.data());
      throw;
    }
    kernel.GetDestroyHash(hash, value.data());
    return value;
  }
};

_SYSTEMTIME Now() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  gmtime_r(&now, &utc);
  _SYSTEMTIME time{};
  time.wYear = static_cast<WORD>(utc.tm_year + 1900);
  time.wMonth = static_cast<WORD>(utc.tm_mon + 1);
  time.wDay = static_cast<WORD>(utc.tm_mday);
  time.wDayOfWeek = static_cast<WORD>(utc.tm_wday);
  time.wHour = static_cast<WORD>(utc.tm_hour);
  time.wMinute = static_cast<WORD>(utc.tm_min);
  time.wSecond = static_cast<WORD>(utc.tm_sec);
  return time;
}

// A token from the time-stamp server at `url` (the whole address) for the
// content's digest; empty, after saying why on standard error, when there is none.
std::vector<unsigned char> ContentTimeStamp(const std::string& url, std::vector<unsigned char> digest) {
  const ConfigOverride wholeUrl("TSPRequestPath", "");
  std::vector<unsigned char> token(1 << 20);
  unsigned long length = static_cast<unsigned long>(token.size());
  const unsigned long status = Kernel::CKernelTSP::GetTSP(url.c_str(), digest.data(), token.data(), &length);
  if (status > 1 || length == token.size()) {  // an unchanged length: nothing written
    std::fprintf(stderr, "tavrpki cms: the time-stamp server %s (status %lu); nothing signed\n",
                 status > 1 ? "refused the request" : "sent no token", status);
    return {};
  }
  token.resize(length);
  return token;
}

int Sign(const Args& args) {
  const Options options(args, {"key", "cert", "storage", "password-file", "tsa"},
                        {"detached", "spec-attrs", "no-signing-time"});
  if (options.Positional().size() != 2) throw UsageError{"give IN and OUT"};
  const std::string in = options.Positional()[0];
  const std::string out = options.Positional()[1];
  if (in == "-") throw UsageError{"IN must be a file: it is read twice (hashed, then copied)"};
  std::error_code error;
  const std::uint64_t size = std::filesystem::file_size(in, error);
  if (error) throw UsageError{"cannot read " + in + ": " + error.message()};
  if (SameFile(in, out)) throw UsageError{"IN and OUT are the same file"};
  const bool detached = options.Flag("detached");
  const bool standard = !options.Flag("spec-attrs");

  const KeyStorageDefault storageDefault;
  Kernel::CKernel kernel = Kernel::GetKernelInstance();
  if (const auto storage = options.Value("storage")) kernel.LoadStorage(storage->c_str());
  const Kernel::CKernelCertificate cert = LoadCertificate(kernel, options.Required("cert"));
  const std::string name = options.Required("key");
  Secret password;
  ObtainPassword(options, "password-file", "TAVRPKI_PASSWORD", ("Password for key '" + name + "': ").c_str(),
                 false, password);
  Kernel::CKernelDoubleKeyPair keys(kernel, false);
  keys.Load(name.c_str(), password.c_str(), nullptr);

  Content content;
  content.path = in;
  content.length = size;
  content.inFile = true;
  const std::vector<unsigned char> digest = content.Hash(kernel, cert.GetCertSignKey().GetHashSBox());
  Kernel::CKernelSignerInfo signer(cert);
  signer.SetMessageDigest(digest.data(), static_cast<unsigned long>(digest.size()));
  if (standard && !options.Flag("no-signing-time")) signer.SetSigningTime(Now());
  if (const auto url = options.Value("tsa")) {
    std::vector<unsigned char> token = ContentTimeStamp(*url, digest);
    if (token.empty()) return 1;
    signer.SetTimeStamp(token.data(), static_cast<unsigned long>(token.size()));
  }
  signer.SetStandardSignedAttrs(standard);
  signer.CalculateSignature(cert, keys);

  Kernel::CKernelSignatureEnvelope envelope(kernel);
  envelope.AddCertificate(cert);
  envelope.AddSignerInfo(signer);
  envelope.SetIsExternalSignatureFlag(detached);
  envelope.SetDataSize(detached ? 0 : size);
  OutputFile output(out);
  const auto header = Fetch([&](unsigned char* b, unsigned long* l) { envelope.GetEnvelopeHeader(b, l); });
  output.Write(header.data(), header.size());
  if (!detached)
    content.ForEachChunk("writing", [&](const unsigned char* data, std::size_t n) { output.Write(data, n); });
  const auto footer = Fetch([&](unsigned char* b, unsigned long* l) { envelope.GetEnvelopeFooter(b, l); });
  output.Write(footer.data(), footer.size());
  output.Commit();
  return 0;
}

// Why a signer did not verify, from the two checks the signer info offers: the
// digest attribute as the hash checks the attribute signature alone.
std::string Verdict(Kernel::CKernelSignerInfo& signer, const Kernel::CKernelDoubleKeyPair& key,
                    std::vector<unsigned char> hash) {
  if (signer.VerifyHashSignature(hash.data(), key)) return "ok";
  std::vector<unsigned char> digest = Fetch([&](unsigned char* b, unsigned long* l) { signer.GetMessageDigest(b, l); });
  if (digest.size() == 32 && signer.VerifyHashSignature(digest.data(), key)) return "FAILED: digest mismatch";
  return "FAILED: bad signature";
}

constexpr std::size_t kHeadSize = 1 << 16;
constexpr std::uint64_t kStreamFrom = 16ull << 20;  // attached content above this is never loaded

// The message for the envelope and its content. A DER file whose attached content
// is large is read in three parts: the head up to the content, the content left in
// the file, the footer after it.
std::vector<std::uint8_t> ReadMessage(const std::string& path, Content& content) {
  std::error_code error;
  const std::uint64_t size = path == "-" ? 0 : std::filesystem::file_size(path, error);
  if (path != "-" && !error && size > kStreamFrom) {
    InputFile in(path);
    std::vector<std::uint8_t> head(kHeadSize);
    head.resize(in.Read(head.data(), head.size()));
    if (!head.empty() && head[0] == 0x30) {
      const ContentLocation location = LocateContent(head);
      if (location.end != size) throw UsageError{path + ": the message's length is not the file's"};
      if (location.attached && location.length > kStreamFrom && location.offset <= head.size()) {
        head.resize(static_cast<std::size_t>(location.offset));
        in.Seek(location.offset + location.length);
        std::vector<std::uint8_t> footer(static_cast<std::size_t>(size - location.offset - location.length));
        if (in.Read(footer.data(), footer.size()) != footer.size()) throw FileError{path + ": cannot read its end"};
        content.path = path;
        content.offset = location.offset;
        content.length = location.length;
        content.inFile = true;
        return MessageWithoutContent(head, footer);
      }
    }
  }
  return ReadDerFile(path);
}

// One line per time stamp of a signer: the content time stamp (a signed
// attribute, over the content's hash) and the signature time stamp of CAdES-T (an
// unsigned attribute, over the hash of the signature octets under the signer's
// S-box). False when one is checked and fails; one whose authority certificate is
// in neither the token nor the store is reported, not counted against the signer.
bool ReportTimeStamps(const Options& options, const Kernel::CKernel& kernel, Kernel::CKernelSignerInfo& signer,
                      const std::vector<unsigned char>& infoDer, const Kernel::CKernelDoubleKeyPair& key,
                      const std::vector<unsigned char>& contentHash) {
  struct Stamp {
    const char* what;
    std::vector<unsigned char> token, hash;
  };
  std::vector<Stamp> stamps;
  if (signer.TimeStampExists())
    stamps.push_back({"content time stamp",
                      Fetch([&](unsigned char* b, unsigned long* l) { signer.GetTimeStamp(b, l); }), contentHash});
  const tsp::SignatureTimeStamp signature = tsp::SignatureTimeStampOf(infoDer);
  if (!signature.token.empty()) {
    std::vector<unsigned char> hash(32);
    kernel.CalcHash(signature.signature.data(), static_cast<unsigned long>(signature.signature.size()), hash.data(),
                    key.GetHashSBox());
    stamps.push_back({"signature time stamp", signature.token, hash});
  }
  bool all = true;
  for (const Stamp& stamp : stamps) {
    std::string when, verdict;
    try {
      _SYSTEMTIME time{};
      Kernel::CKernelTSP::GetTSPTokenTime(stamp.token.data(), static_cast<unsigned long>(stamp.token.size()), &time);
      when = " " + TimeStampTimeText(time);
      verdict = TimeStampVerdict(options, stamp.token, stamp.hash);
    } catch (const ExceptionBase& e) {
      verdict = "FAILED: not a time-stamp token the library reads" + CodeSuffix(e.GetErrorCode());
    }
    std::printf("  %s%s: %s\n", stamp.what, when.c_str(), verdict.c_str());
    all = all && (verdict == "ok" || verdict == kTimeStampNotChecked);
  }
  return all;
}

int Verify(const Args& args) {
  const Options options(args, {"content", "out", "store"}, {});
  if (options.Positional().size() != 1) throw UsageError{"give one FILE"};
  Content content;
  const auto message = ReadMessage(options.Positional()[0], content);
  const Kernel::CKernel kernel = Kernel::GetKernelInstance();
  Kernel::CKernelSignatureEnvelope envelope(kernel);
  envelope.InitFromBuffer(message.data(), static_cast<unsigned long>(message.size()));
  if (const auto path = options.Value("content")) {
    std::error_code error;
    content = Content{};
    content.path = *path;
    content.length = std::filesystem::file_size(*path, error);
    if (error) throw UsageError{"cannot read " + *path + ": " + error.message()};
    content.inFile = true;
  } else if (!content.inFile) {
    if (envelope.GetIsExternalSignatureFlag()) throw UsageError{"the content is detached: give it with --content FILE"};
    content.bytes = Fetch([&](unsigned char* b, unsigned long* l) { envelope.GetData(b, l); });
  }
  if (content.Empty()) throw UsageError{"the content is empty: there is nothing to check"};
  if (const auto out = options.Value("out")) {
    OutputFile output(*out);
    content.ForEachChunk("writing", [&](const unsigned char* data, std::size_t n) { output.Write(data, n); });
    output.Commit();
  }
  const unsigned long count = envelope.GetSignerInfoCount();
  if (count == 0) {
    std::puts("no signers");
    return 1;
  }
  bool all = true;
  std::vector<std::pair<std::vector<unsigned char>, std::vector<unsigned char>>> hashes;  // (S-box, hash)
  for (unsigned long i = 0; i < count; ++i) {
    std::printf("signer %lu: ", i);
    std::optional<Kernel::CKernelSignerInfo> found;
    try {
      found.emplace(envelope.GetSignerInfo(i));
    } catch (const Kernel::CKernelException&) {
      // The one reason left once the message has been read: no certificate of
      // the message names this signer.
      std::puts("FAILED: signer certificate missing");
      all = false;
      continue;
    }
    Kernel::CKernelSignerInfo& signer = *found;
    const auto certDer = Fetch([&](unsigned char* b, unsigned long* l) { signer.GetSignerCertBuffer(b, l); });
    const auto infoDer = Fetch([&](unsigned char* b, unsigned long* l) { signer.GetSignerInfoBuffer(b, l); });
    Kernel::CKernelCertificate cert(kernel);
    cert.InitFromBuffer(certDer.data(), static_cast<unsigned long>(certDer.size()), false);
    const Kernel::CKernelDoubleKeyPair key = cert.GetCertSignKey();
    // Signers under one S-box share one pass over the content.
    const unsigned char* table = key.GetHashSBox();
    const std::vector<unsigned char> sbox = table == nullptr ? std::vector<unsigned char>()
                                                             : std::vector<unsigned char>(table, table + 128);
    auto known = std::find_if(hashes.begin(), hashes.end(), [&](const auto& entry) { return entry.first == sbox; });
    if (known == hashes.end()) known = hashes.insert(hashes.end(), {sbox, content.Hash(kernel, table)});
    const std::string verdict = Verdict(signer, key, known->second);
    const std::string time = SigningTimeText(infoDer);
    std::printf("%s; serial %s%s%s; %s; %s\n", CertificateSubjectText(certDer).c_str(),
                CertificateSerialText(certDer).c_str(), time.empty() ? "" : "; signed ", time.c_str(),
                verdict == "FAILED: bad signature" ? "attributes as signed: none verifies"
                : signer.IsStandardSignedAttrs() ? "attributes signed as SET OF"
                                                 : "attributes signed as [0]",
                verdict.c_str());
    all = all && verdict == "ok";
    all = ReportTimeStamps(options, kernel, signer, infoDer, key, known->second) && all;
  }
  return all ? 0 : 1;
}

int Show(const Args& args) {
  const Options options(args, {}, {});
  if (options.Positional().size() != 1) throw UsageError{"give one FILE"};
  Content content;
  const auto message = ReadMessage(options.Positional()[0], content);
  (void)Kernel::GetKernelInstance();
  std::string text = SignedMessageText(message);
  if (content.inFile) {
    // Read without the content it attaches, the message shows as detached; the
    // first content line is the outer message's (nested tokens come after it).
    const std::string detached = ", detached\n";
    const std::size_t at = text.find(detached, text.find("encapsulated content: "));
    if (at != std::string::npos) text.replace(at, detached.size(), ", " + std::to_string(content.length) + " bytes\n");
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

int Run(const Args& args) { return RunSubcommand(args, {{"sign", &Sign}, {"verify", &Verify}, {"show", &Show}}); }

const CommandRegistration kCms{
    "cms",
    "sign --key NAME --cert FILE [--storage DIR] [--detached] [--spec-attrs] [--no-signing-time] [--tsa URL] IN OUT"
    " | verify FILE [--content FILE] [--out FILE] [--store FILE] | show FILE",
    "sign, verify and show CMS signed messages", &Run};

}  // namespace
}  // namespace tavrpki::tool

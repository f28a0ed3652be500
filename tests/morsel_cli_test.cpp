// The morsel tool through its real command line: what decode prints, that encode gives the bytes
// back, the hex and lone-item inputs, dump's rows, and every error status and message.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <bit>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>
#include <morsel/message.h>

#include "hex.h"
#include "run_program.h"

namespace {

using morsel_test::Bytes;
using morsel_test::repeated;
using program_test::Invocation;
using program_test::Outcome;
using program_test::Stdout;

Outcome morsel_tool(std::vector<std::string> args, const std::string& input = "",
                    Stdout stdout_mode = Stdout::capture) {
  return program_test::run(Invocation{.program = MORSEL_CLI_BIN,
                                      .args = std::move(args),
                                      .stdout_mode = stdout_mode,
                                      .input = input});
}

std::string text_of(const Bytes& bytes) {
  return {bytes.begin(), bytes.end()};
}

// Starts the tool on `args` with the descriptors given as its standard input, output and error
// (-1: this program's own), for a test that talks to it while it runs; returns its pid.
pid_t start_tool(std::vector<std::string> args, int input, int output, int errors) {
  args.insert(args.begin(), MORSEL_CLI_BIN);
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (std::string& arg : args) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);
  const pid_t pid = ::fork();
  if (pid == 0) {
    for (const auto& [from, to] : {std::pair{input, STDIN_FILENO}, std::pair{output, STDOUT_FILENO},
                                   std::pair{errors, STDERR_FILENO}}) {
      if (from >= 0) {
        ::dup2(from, to);
      }
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return pid;
}

// Every kind, and the values the notation must keep exact.
Bytes every_kind() {
  morsel::writer out;
  out.write(true).write(static_cast<unsigned char>(200)).write(4000000000U).write(-2L);
  out.write(static_cast<signed char>(-5)).write(-7).write(std::bit_cast<float>(0x7FA12345U));
  out.write(-0.0).write(std::numeric_limits<double>::infinity()).write("tab\t\"q\"\\\n\xff");
  out.write(std::vector<unsigned char>{}).write(std::vector<unsigned char>{1, 2});
  out.write(std::vector<unsigned long>{}).write(std::vector<double>{0.1, 1e300});
  out.write(std::vector<std::string>{"ab", "abcd"}).write(Person{30, 1.5F, ""});
  Bytes bytes = out.take();
  const Bytes generic_four = morsel_test::hex("AB 04 77787978");  // "wxyx" under the generic tag
  bytes.insert(bytes.end(), generic_four.begin(), generic_four.end());
  return bytes;
}

constexpr const char* kEveryKind =
    "0: bool true\n"
    "1: u8 200\n"
    "3: u32 4000000000\n"
    "8: u64 18446744073709551614\n"
    "17: i8 -5\n"
    "19: i32 -7\n"
    "24: f32 nan:0x7fa12345\n"
    "29: f64 -0\n"
    "38: f64 inf\n"
    "47: string \"tab\\t\\\"q\\\"\\\\\\n\\xff\"\n"
    "59: u8[] []\n"
    "62: u8[] [1, 2]\n"
    "67: u64[] []\n"
    "69: f64[] [0.1, 1e+300]\n"
    "89: string[] [\"ab\", \"abcd\"]\n"
    "101: person {age: 30, height: 1.5}\n"
    "109: string <0xab 4>\"wxyx\"\n";

TEST(MorselTool, DecodePrintsEveryKindAndEncodeGivesTheBytesBack) {
  const Bytes bytes = every_kind();
  const Outcome decoded = morsel_tool({"decode"}, text_of(bytes));
  EXPECT_EQ(decoded.out, kEveryKind);
  EXPECT_EQ(decoded.err, "");
  EXPECT_EQ(decoded.status, 0);

  const Outcome encoded = morsel_tool({"encode"}, decoded.out);
  EXPECT_EQ(encoded.out, text_of(bytes));
  EXPECT_EQ(encoded.status, 0);
  // Hand-written notation: no offsets, comments, items across lines, i64 and hex integers.
  const Outcome by_hand = morsel_tool(
      {"encode", "--hex"}, "u8 0xff # a comment\ni64 -1 string[] [\n  \"a\",\n]\nf32 nan");
  EXPECT_EQ(by_hand.out, "[ a2 ff a4 ff ff ff ff ff ff ff ff ad 1 ab 1 61 a8 7f c0 0 0 ]\n");
}

TEST(MorselTool, HexInputInEveryForm) {
  for (const char* form : {"[ a2 5 ]", "A2 05", "a205\n", "0xa2 0x05", "0xA20X05", "a2,05"}) {
    const Outcome outcome = morsel_tool({"decode", "--hex"}, form);
    EXPECT_EQ(outcome.out, "0: u8 5\n") << form;
    EXPECT_EQ(outcome.status, 0) << form;
  }
}

// A string of 300 bytes stands alone as serialize writes it: its length byte says 44.
TEST(MorselTool, ItemOptionReadsALoneItemWhole) {
  const std::string alone = text_of(morsel::serialize(std::string(300, 'x')));
  const Outcome decoded = morsel_tool({"decode", "--item"}, alone);
  EXPECT_EQ(decoded.out, "0: string \"" + std::string(300, 'x') + "\"\n");
  EXPECT_EQ(morsel_tool({"encode", "--item"}, decoded.out).out, alone);

  const Outcome as_message = morsel_tool({"decode"}, alone);
  EXPECT_EQ(as_message.out, "0: string \"" + std::string(44, 'x') + "\"\n");
  EXPECT_EQ(as_message.err, "morsel: byte 46: 0x78 is not a tag\n");
  EXPECT_EQ(as_message.status, 1);

  const Outcome extra = morsel_tool({"decode", "--item", "--hex"}, "a3 00000001 ffff");
  EXPECT_EQ(extra.out, "0: u32 1\n5: extra [255, 255]\n");
  EXPECT_EQ(morsel_tool({"encode", "--item", "--hex"}, extra.out).out, "[ a3 0 0 0 1 ff ff ]\n");
}

// A byte after a lone item: scalars and Person leave it as extra bytes; strings and arrays run to
// the end of the buffer, as their decoders read them, and take it in or are refused for it.
TEST(MorselTool, ALoneItemAndAByteAfterIt) {
  struct Case {
    const char* bytes;
    const char* out;
    const char* err;
  };
  const Case cases[] = {
      {"a0 ff", "0: bool true\n1: extra [255]\n", ""},
      {"a2 01 ff", "0: u8 1\n2: extra [255]\n", ""},
      {"a3 00000001 ff", "0: u32 1\n5: extra [255]\n", ""},
      {"a4 0000000000000001 ff", "0: u64 1\n9: extra [255]\n", ""},
      {"a5 ff ff", "0: i8 -1\n2: extra [255]\n", ""},
      {"a6 ffffffff ff", "0: i32 -1\n5: extra [255]\n", ""},
      {"a8 3f800000 ff", "0: f32 1\n5: extra [255]\n", ""},
      {"a9 3ff0000000000000 ff", "0: f64 1\n9: extra [255]\n", ""},
      {"ae a2 1e a8 3fc00000 ff", "0: person {age: 30, height: 1.5}\n8: extra [255]\n", ""},
      {"ab 01 41 ff", "0: string <0xab 1>\"A\\xff\"\n", ""},
      {"aa 04 41424344 ff", "0: string <0xaa 4>\"ABCD\\xff\"\n", ""},
      {"ac 01 a2 07 ff", "", "morsel: byte 0: count byte is 1, elements found: 2\n"},
      {"ac 01 a9 3ff0000000000000 ff", "",
       "morsel: byte 0: 1 trailing bytes do not form a whole element\n"},
      {"ad 01 ab 01 41 ff", "",
       "morsel: byte 0: element 1 at byte 5: expected tag 0xaa or 0xab, got 0xff\n"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = morsel_tool({"decode", "--item", "--hex"}, c.bytes);
    EXPECT_EQ(outcome.out, c.out) << c.bytes;
    EXPECT_EQ(outcome.err, c.err) << c.bytes;
    if (outcome.status == 0) {  // and back, a string's length byte as it stood
      EXPECT_EQ(morsel_tool({"encode", "--item"}, outcome.out).out,
                text_of(morsel_test::hex(c.bytes)))
          << c.bytes;
    }
  }
}

TEST(MorselTool, DumpShowsBytesBesideTheirMeaningAndMarksWhereReadingStopped) {
  const Outcome outcome = morsel_tool({"dump", "--hex"},
                                      "a3 00000007 ac 02 a9 3ff0000000000000 a9 4000000000000000 "
                                      "ad 01 ab 02 6869 a6 0000");
  EXPECT_EQ(outcome.out,
            "         0  a3 00 00 00 07                                   u32 7\n"
            "         5  ac 02                                            f64[], 2 elements\n"
            "         7  a9 3f f0 00 00 00 00 00 00                         [0] 1\n"
            "        16  a9 40 00 00 00 00 00 00 00                         [1] 2\n"
            "        25  ad 01                                            string[], 1 element\n"
            "        27  ab 02 68 69                                        [0] \"hi\"\n"
            "        31  a6 00 00                                         error: byte 31: the i32 "
            "item needs 5 bytes, 3 left\n"
            "                     ^ the input ends here\n");
  EXPECT_EQ(outcome.err, "morsel: byte 31: the i32 item needs 5 bytes, 3 left\n");
  EXPECT_EQ(outcome.status, 1);

  const Outcome wrong = morsel_tool({"dump", "--hex"}, "a0 a7 01");
  EXPECT_EQ(wrong.out,
            "         0  a0                                               bool true\n"
            "         1  a7 01                                            error: byte 1: 0xa7 is "
            "not a tag\n"
            "            ^^\n");

  // Past the rows shown after the error, what is left is counted.
  std::string long_input = "a2 01 ff ";  // by appends: GCC 12 at -O3 warns of overlaps in a + b
  long_input.append(300, '0');
  const Outcome long_rest = morsel_tool({"dump", "--hex"}, long_input);
  EXPECT_EQ(long_rest.out,
            "         0  a2 01                                            u8 1\n"
            "         2  ff 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00  error: byte 2: 0xff is "
            "not a tag\n"
            "            ^^\n"
            "        18                                                   ... 135 more bytes\n");
}

// Every form of the notation, both ways where decode prints it so; `bytes` in hex.
struct Form {
  const char* text;
  const char* bytes;
  const char* printed;  // what decode prints for the bytes, when not `text`
};

TEST(MorselTool, EveryNotationFormBothWays) {
  const std::vector<Form> forms{
      {"bool false", "A1", nullptr},
      {"u8 255", "A2 FF", nullptr},
      {"u8 0xfe", "A2 FE", "u8 254"},
      {"u32 4294967295", "A3 FFFFFFFF", nullptr},
      {"u64 18446744073709551615", "A4 FFFFFFFFFFFFFFFF", nullptr},
      {"i8 -128", "A5 80", nullptr},
      {"i8 127", "A5 7F", nullptr},
      {"i32 -2147483648", "A6 80000000", nullptr},
      {"i64 -9223372036854775808", "A4 8000000000000000", "u64 9223372036854775808"},
      {"f32 -inf", "A8 FF800000", nullptr},
      {"f32 1e-45", "A8 00000001", nullptr},
      {"f64 0x10", "A9 4030000000000000", "f64 16"},
      {"f64 -0x1.8p1", "A9 C008000000000000", "f64 -3"},
      {"f64 nan", "A9 7FF8000000000000", "f64 nan:0x7ff8000000000000"},
      {"string \"\\x00\\x7f\\xff\"", "AB 03 007FFF", nullptr},
      {"string \"\\xAb\\x0C\"", "AB 02 AB0C", "string \"\\xab\\x0c\""},
      {"u8[] [0, 255]", "AC 02 A2 00FF", nullptr},
      {"u64[] [1]", "AC 01 A4 0000000000000001", nullptr},
      {"f64[] [-0]", "AC 01 A9 8000000000000000", nullptr},
      {"string[] [<0xab 4>\"abcd\", \"\"]", "AD 02 AB 04 61626364 AB 00", nullptr},
      {"person {age: 255, height: -0}", "AE A2 FF A8 80000000", nullptr},
  };
  for (const Form& form : forms) {
    const std::string bytes = text_of(morsel_test::hex(form.bytes));
    EXPECT_EQ(morsel_tool({"encode"}, form.text).out, bytes) << form.text;
    EXPECT_EQ(morsel_tool({"decode"}, bytes).out,
              std::string("0: ") + (form.printed != nullptr ? form.printed : form.text) + "\n")
        << form.text;
  }
}

TEST(MorselTool, IntegersOutsideTheirKindAreRefused) {
  for (const char* text : {"u8 256", "u8 -1", "i8 -129", "i8 128", "u32 4294967296",
                           "i32 2147483648", "i32 -2147483649", "u64 18446744073709551616",
                           "i64 9223372036854775808", "u8[] [1, 256]"}) {
    const Outcome outcome = morsel_tool({"encode"}, text);
    EXPECT_EQ(outcome.status, 1) << text;
    EXPECT_NE(outcome.err.find("expected an integer from"), std::string::npos) << text;
  }
}

// Output longer than the tool's 1 MiB buffer is written once, in order.
TEST(MorselTool, DecodeOfSeveralBuffersOfOutputEncodesBack) {
  morsel::writer out;
  for (unsigned int i = 0; i < 60000; ++i) {
    out.write(i).write("twelve bytes");
  }
  const std::string bytes = text_of(out.take());
  const Outcome decoded = morsel_tool({"decode"}, bytes);
  ASSERT_GT(decoded.out.size(), std::size_t{2} << 20);
  EXPECT_EQ(morsel_tool({"encode"}, decoded.out).out, bytes);
}

TEST(MorselTool, DumpRowsOfLongItemsAndTheirOffsets) {
  // A 20-byte string takes two rows; the u64 array's elements sit at 24 and 33.
  const Outcome outcome =
      morsel_tool({"dump", "--hex"},
                  "ab 14 6162636465666768696a6b6c6d6e6f7071727374 ac 02 a4 0000000000000001 "
                  "a4 0000000000000002");
  EXPECT_EQ(outcome.out,
            "         0  ab 14 61 62 63 64 65 66 67 68 69 6a 6b 6c 6d 6e  string "
            "\"abcdefghijklmnopqrst\"\n"
            "        16  6f 70 71 72 73 74\n"
            "        22  ac 02                                            u64[], 2 elements\n"
            "        24  a4 00 00 00 00 00 00 00 01                         [0] 1\n"
            "        33  a4 00 00 00 00 00 00 00 02                         [1] 2\n");
  // The wrong byte is on the item's second row: the marker goes under it there.
  const Outcome wrong =
      morsel_tool({"dump", "--hex"}, "ad 02 ab 0e 6162636465666768696a6b6c6d6e a3");
  EXPECT_EQ(wrong.out,
            "         0  ad 02 ab 0e 61 62 63 64 65 66 67 68 69 6a 6b 6c  error: byte 0: element 1 "
            "at byte 18: expected tag 0xaa or 0xab, got 0xa3\n"
            "        16  6d 6e a3\n"
            "                  ^^\n");
}

// Bytes a walk would misread are written, with a warning; a u8 item whose value is no tag after
// an empty array walks as it was written.
TEST(MorselTool, EncodeWarnsOfBytesAWalkMisreads) {
  const Outcome tag_valued = morsel_tool({"encode", "--hex"}, "f64[] []\nu8 0xa2 u8 1");
  EXPECT_EQ(tag_valued.out, "[ ac 0 a2 a2 a2 1 ]\n");
  EXPECT_EQ(tag_valued.err,
            "morsel: warning: line 1: an empty u64 or f64 array followed by a u8 item whose value "
            "is a tag walks as an empty byte array: a reader of the next item (morsel decode) "
            "misreads from byte 0\n");
  EXPECT_EQ(tag_valued.status, 0);
  const Outcome plain = morsel_tool({"encode"}, "f64[] [] u8 7");
  EXPECT_EQ(plain.err, "");
  EXPECT_EQ(morsel_tool({"decode"}, plain.out).out, "0: u64[] []\n2: u8 7\n");
  // A long array is a run of items, walked as written; what follows it is still looked at.
  std::string long_array = "u64[] [7";
  for (int i = 1; i < 300; ++i) {
    long_array += ", 7";
  }
  long_array += "]\n";
  EXPECT_EQ(morsel_tool({"encode"}, long_array + "u32 1\nstring \"after\"\n").err, "");
  EXPECT_EQ(morsel_tool({"encode"}, long_array + "u64[] []\nu8 0xa9\n").err,
            "morsel: warning: line 2: an empty u64 or f64 array followed by a u8 item whose value "
            "is a tag walks as an empty byte array: a reader of the next item (morsel decode) "
            "misreads from byte 2705\n");
}

// A lone f64 array of 256 elements has count byte 0: its elements tell its kind.
TEST(MorselTool, LoneArrayOf256Elements) {
  const std::string alone = text_of(morsel::serialize(std::vector<double>(256, 0.5)));
  const Outcome decoded = morsel_tool({"decode", "--item"}, alone);
  EXPECT_EQ(decoded.status, 0) << decoded.err;
  EXPECT_EQ(morsel_tool({"encode", "--item"}, decoded.out).out, alone);
  const Outcome dumped = morsel_tool({"dump", "--item"}, alone);
  EXPECT_TRUE(dumped.out.starts_with("         0  ac 00 ")) << dumped.out;
  EXPECT_NE(dumped.out.find("f64[], 256 elements"), std::string::npos);
  EXPECT_EQ(morsel_tool({"dump", "--item", "--hex"}, "a2 07 ff").out,
            "         0  a2 07                                            u8 7\n"
            "         2  ff                                               extra: 1 byte the "
            "lone-item decoders ignore\n");
}

// In a message a value past 255 bytes or elements is its long form: the tool shows it as the
// items it is, a u32 and parts, and writes a long string or array in that form.
TEST(MorselTool, ALongValueIsItsLengthAndItsParts) {
  morsel::writer out;
  out.write(std::string(300, 'x')).write(std::vector<double>(256, 0.5));
  const std::string bytes = text_of(out.take());
  const Outcome decoded = morsel_tool({"decode"}, bytes);
  EXPECT_EQ(decoded.status, 0) << decoded.err;
  EXPECT_TRUE(decoded.out.starts_with("0: u32 300\n5: string \"" + std::string(255, 'x') +
                                      "\"\n262: string \"" + std::string(45, 'x') +
                                      "\"\n309: u32 256\n314: f64 0.5\n"));
  EXPECT_EQ(morsel_tool({"encode"}, decoded.out).out, bytes);
  EXPECT_EQ(morsel_tool({"encode"}, "string \"" + std::string(300, 'x') + "\" f64[] [" +
                                        repeated("0.5, ", 255) + "0.5]")
                .out,
            bytes);
  const Outcome json = morsel_tool({"decode", "--json"}, bytes);
  EXPECT_EQ(morsel_tool({"encode", "--json"}, json.out).out, bytes);
}

// Standard input that is a pipe is read as a stream (or, for hex text, whole, block by block):
// the same lines and errors as from a file.
TEST(MorselTool, APipeDecodesAsAFileDoes) {
  morsel::writer out;
  for (unsigned int i = 0; i < 30000; ++i) {
    out.write(i).write(std::vector<double>{0.5}).write("a string");
  }
  out.write(std::vector<unsigned long>{}).write(static_cast<unsigned char>(7));
  std::string bytes = text_of(out.take());
  bytes += std::string("\xa6\x00\x00", 3);  // cut short
  std::string hex;
  for (const char byte : bytes) {
    hex += "0123456789abcdef"[static_cast<unsigned char>(byte) >> 4U];
    hex += "0123456789abcdef"[static_cast<unsigned char>(byte) & 0xFU];
    hex += ' ';
  }
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"decode"}, bytes}, {{"dump"}, bytes}, {{"decode", "--hex"}, hex}};
  for (const auto& [args, input] : cases) {
    const Outcome from_file = morsel_tool(args, input);
    const Outcome from_pipe = program_test::run(Invocation{
        .program = MORSEL_CLI_BIN, .args = args, .input = input, .input_through_pipe = true});
    EXPECT_EQ(from_pipe.out, from_file.out) << args.back();
    EXPECT_EQ(from_pipe.err, from_file.err) << args.back();
    EXPECT_EQ(from_pipe.status, 1) << args.back();
  }
}

// Started with standard input closed, the tool opens its file as the lowest descriptor free, 0,
// and reads it as any other.
TEST(MorselTool, AFileOpenedWithStandardInputClosed) {
  std::string dir = testing::TempDir() + "morsel-stdin-XXXXXX";
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  const std::string file = dir + "/item.bin";
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, "\xa2\x05", 2), 2);
  ::close(fd);
  const Outcome outcome = program_test::run(Invocation{
      .program = "/bin/sh", .args = {"-c", "exec \"$0\" decode \"$1\" <&-", MORSEL_CLI_BIN, file}});
  EXPECT_EQ(outcome.err, "");
  EXPECT_EQ(outcome.out, "0: u8 5\n");
  (void)::unlink(file.c_str());
  (void)::rmdir(dir.c_str());
}

// An item is shown as soon as it is whole, while the writer of the pipe is still to send more.
TEST(MorselTool, ShowsEachItemBeforeThePipeCloses) {
  int input[2];
  int output[2];
  ASSERT_EQ(::pipe2(input, O_CLOEXEC), 0);
  ASSERT_EQ(::pipe2(output, O_CLOEXEC), 0);
  const pid_t pid = start_tool({"decode"}, input[0], output[1], -1);
  ASSERT_GE(pid, 0);
  ::close(input[0]);
  ::close(output[1]);
  // Two items, and a string cut short.
  const std::string first = text_of(morsel_test::hex("A3 00000007 A1 AB"));
  ASSERT_EQ(::write(input[1], first.data(), first.size()), static_cast<ssize_t>(first.size()));
  std::string seen;
  pollfd ready{output[0], POLLIN, 0};
  while (seen.find("5: bool false\n") == std::string::npos && ::poll(&ready, 1, 10000) == 1) {
    char chunk[256];
    const ssize_t n = ::read(output[0], chunk, sizeof chunk);
    if (n <= 0) {
      break;
    }
    seen.append(chunk, static_cast<std::size_t>(n));
  }
  EXPECT_EQ(seen, "0: u32 7\n5: bool false\n");
  ASSERT_EQ(::write(input[1], "\x02hi", 3), 3);
  ::close(input[1]);
  char chunk[256];
  for (ssize_t n; (n = ::read(output[0], chunk, sizeof chunk)) > 0;) {
    seen.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(output[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_EQ(seen, "0: u32 7\n5: bool false\n6: string \"hi\"\n");
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// Out of memory is an error like any other: a message and status 1.
TEST(MorselTool, RunningOutOfMemoryIsAnError) {
#ifdef MORSEL_SANITIZED
  GTEST_SKIP() << "the sanitizers need more address space than the limit leaves";
#endif
  // Hex text is read whole: 24 MB of it cannot be held in 20 MB of address space.
  const Outcome outcome = program_test::run(
      Invocation{.program = "/bin/sh",
                 .args = {"-c", "ulimit -v 20000 && exec \"$0\" decode --hex", MORSEL_CLI_BIN},
                 .input = repeated("a2 05 ", 4000000)});
  EXPECT_EQ(outcome.err, "morsel: out of memory\n");
  EXPECT_EQ(outcome.status, 1);
}

// A file that another program shrinks while the tool reads it ends the run as a read error
// does: a message and status 1, not a crash. The tool is held on a full pipe while the file is
// cut.
TEST(MorselTool, AFileThatShrinksWhileReadIsAnError) {
  std::string dir = testing::TempDir() + "morsel-shrink-XXXXXX";
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  std::string file = dir + "/items.bin";
  std::string items;
  for (int i = 0; i < (4 << 20); ++i) {
    items += "\xA2\x05";  // u8 5, shown in 8 bytes or more: far more than a pipe holds
  }
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, items.data(), items.size()), static_cast<ssize_t>(items.size()));
  ::close(fd);
  int output[2];
  int errors[2];
  ASSERT_EQ(::pipe2(output, O_CLOEXEC), 0);
  ASSERT_EQ(::pipe2(errors, O_CLOEXEC), 0);
  const pid_t pid = start_tool({"decode", file}, -1, output[1], errors[1]);
  ASSERT_GE(pid, 0);
  ::close(output[1]);
  ::close(errors[1]);
  const auto drain = [](int from) {
    std::string seen;
    char chunk[65536];
    for (ssize_t n; (n = ::read(from, chunk, sizeof chunk)) > 0;) {
      seen.append(chunk, static_cast<std::size_t>(n));
    }
    return seen;
  };
  pollfd ready{output[0], POLLIN, 0};
  ASSERT_EQ(::poll(&ready, 1, 10000), 1);  // the file is mapped and being read
  ASSERT_EQ(::truncate(file.c_str(), 4096), 0);
  (void)drain(output[0]);
  const std::string said = drain(errors[0]);
  ::close(output[0]);
  ::close(errors[0]);
  int status = 0;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  EXPECT_EQ(said, "morsel: the input file shrank while it was being read\n");
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  (void)::unlink(file.c_str());
  (void)::rmdir(dir.c_str());
}

TEST(MorselTool, ADashIsStandardInput) {
  EXPECT_EQ(morsel_tool({"decode", "--hex", "-"}, "a2 05").out, "0: u8 5\n");
  EXPECT_EQ(morsel_tool({"decode", "--", "-"}, "\xa0").out, "0: bool true\n");
}

constexpr const char* kEveryKindJson =
    "{\"offset\":0,\"kind\":\"bool\",\"value\":true}\n"
    "{\"offset\":1,\"kind\":\"u8\",\"value\":200}\n"
    "{\"offset\":3,\"kind\":\"u32\",\"value\":4000000000}\n"
    "{\"offset\":8,\"kind\":\"u64\",\"value\":\"18446744073709551614\"}\n"
    "{\"offset\":17,\"kind\":\"i8\",\"value\":-5}\n"
    "{\"offset\":19,\"kind\":\"i32\",\"value\":-7}\n"
    "{\"offset\":24,\"kind\":\"f32\",\"value\":\"nan:0x7fa12345\"}\n"
    "{\"offset\":29,\"kind\":\"f64\",\"value\":\"-0\"}\n"
    "{\"offset\":38,\"kind\":\"f64\",\"value\":\"inf\"}\n"
    "{\"offset\":47,\"kind\":\"string\",\"value\":{\"hex\":\"746162092271225c0aff\"}}\n"
    "{\"offset\":59,\"kind\":\"u8[]\",\"value\":[]}\n"
    "{\"offset\":62,\"kind\":\"u8[]\",\"value\":[1,2]}\n"
    "{\"offset\":67,\"kind\":\"u64[]\",\"value\":[]}\n"
    "{\"offset\":69,\"kind\":\"f64[]\",\"value\":[0.1,1e+300]}\n"
    "{\"offset\":89,\"kind\":\"string[]\",\"value\":[\"ab\",\"abcd\"]}\n"
    "{\"offset\":101,\"kind\":\"person\",\"value\":{\"age\":30,\"height\":1.5}}\n"
    "{\"offset\":109,\"kind\":\"string\",\"value\":{\"tag\":171,\"length\":4,\"string\":"
    "\"wxyx\"}}\n";

TEST(MorselTool, JsonLinesForEveryKind) {
  const Bytes bytes = every_kind();
  const Outcome decoded = morsel_tool({"decode", "--json"}, text_of(bytes));
  EXPECT_EQ(decoded.out, kEveryKindJson);
  EXPECT_EQ(morsel_tool({"encode", "--json"}, decoded.out).out, text_of(bytes));
  // Written by hand: any whitespace, no offsets, members in any order, numbers in any form.
  const Outcome by_hand =
      morsel_tool({"encode", "--json", "--hex"},
                  "{\"value\": \"18446744073709551615\", \"kind\": \"u64\"}\n\n  "
                  "{\"kind\":\"i64\",\"value\":-2}"
                  "{\"kind\":\"f32\",\"value\":1e0}{\"kind\":\"string\",\"value\":\"\\u00e9\"}"
                  "{\"kind\":\"person\",\"value\":{\"height\":\"-0\",\"age\":\"7\"}}");
  EXPECT_EQ(
      by_hand.out,
      "[ a4 ff ff ff ff ff ff ff ff a4 ff ff ff ff ff ff ff fe a8 3f 80 0 0 ab 2 c3 a9 ae a2 7 "
      "a8 80 0 0 0 ]\n");
  EXPECT_EQ(by_hand.err, "");
  // Lone items and their extra bytes.
  const Outcome lone = morsel_tool({"decode", "--json", "--item", "--hex"}, "a3 00000001 ffff");
  EXPECT_EQ(lone.out,
            "{\"offset\":0,\"kind\":\"u32\",\"value\":1}\n"
            "{\"offset\":5,\"kind\":\"extra\",\"value\":[255,255]}\n");
  EXPECT_EQ(morsel_tool({"encode", "--json", "--item", "--hex"}, lone.out).out,
            "[ a3 0 0 0 1 ff ff ]\n");
  // A u64 is a JSON number up to 2^53, which a double holds exactly, and digits past it.
  EXPECT_EQ(
      morsel_tool({"decode", "--json", "--hex"}, "A4 0020000000000000 A4 0020000000000001").out,
      "{\"offset\":0,\"kind\":\"u64\",\"value\":9007199254740992}\n"
      "{\"offset\":9,\"kind\":\"u64\",\"value\":\"9007199254740993\"}\n");
}

// A string's bytes in the notation: printable ASCII as it stands, a few escapes, the rest as \x;
// every spelling reads back to the same bytes.
TEST(MorselTool, NotationStringEscapesAtEveryEdge) {
  const std::string shown = morsel_tool({"decode", "--hex"},
                                        "ab 03 61 20 62  ab 01 7e  ab 01 7f  ab 01 1f  ab 02 22 5c "
                                        "ab 02 0a 09  ab 01 80")
                                .out;
  EXPECT_EQ(shown,
            "0: string \"a b\"\n5: string \"~\"\n8: string \"\\x7f\"\n11: string \"\\x1f\"\n"
            "14: string \"\\\"\\\\\"\n18: string \"\\n\\t\"\n22: string \"\\x80\"\n");
  EXPECT_EQ(morsel_tool({"encode", "--hex"}, shown).out,
            "[ ab 3 61 20 62 ab 1 7e ab 1 7f ab 1 1f ab 2 22 5c ab 2 a 9 ab 1 80 ]\n");
}

// The same edges in JSON: control bytes as \u escapes, DEL as it stands, and back.
TEST(MorselTool, JsonStringEscapesAtEveryEdge) {
  const std::string shown =
      morsel_tool({"decode", "--json", "--hex"},
                  "ab 01 20  ab 01 7f  ab 01 1f  ab 02 22 5c  ab 02 0a 09  ab 01 00  ab 01 0d")
          .out;
  EXPECT_EQ(shown,
            "{\"offset\":0,\"kind\":\"string\",\"value\":\" \"}\n"
            "{\"offset\":3,\"kind\":\"string\",\"value\":\"\x7f\"}\n"
            "{\"offset\":6,\"kind\":\"string\",\"value\":\"\\u001f\"}\n"
            "{\"offset\":9,\"kind\":\"string\",\"value\":\"\\\"\\\\\"}\n"
            "{\"offset\":13,\"kind\":\"string\",\"value\":\"\\n\\t\"}\n"
            "{\"offset\":17,\"kind\":\"string\",\"value\":\"\\u0000\"}\n"
            "{\"offset\":20,\"kind\":\"string\",\"value\":\"\\u000d\"}\n");
  EXPECT_EQ(morsel_tool({"encode", "--json", "--hex"}, shown).out,
            "[ ab 1 20 ab 1 7f ab 1 1f ab 2 22 5c ab 2 a 9 ab 1 0 ab 1 d ]\n");
}

// A string shows as JSON text only when it is well-formed UTF-8; at every edge of that, hex.
TEST(MorselTool, JsonTextOnlyForWellFormedUtf8) {
  struct Case {
    const char* bytes;
    bool text;
  };
  const Case cases[] = {
      {"ab 01 7f", true},          {"ab 01 80", false},          {"ab 02 c2 80", true},
      {"ab 02 c1 bf", false},      {"ab 02 df bf", true},        {"ab 02 e0 a0", false},
      {"ab 03 e0 a0 80", true},    {"ab 03 e0 9f bf", false},    {"ab 03 ed 9f bf", true},
      {"ab 03 ed a0 80", false},   {"ab 03 ed bf bf", false},    {"ab 03 ee 80 80", true},
      {"ab 03 ef bf bf", true},    {"aa 04 f0 90 80 80", true},  {"aa 04 f0 8f bf bf", false},
      {"aa 04 f4 8f bf bf", true}, {"aa 04 f4 90 80 80", false}, {"aa 04 f8 88 80 80", false},
      {"aa 04 f1 80 80 80", true}, {"aa 04 f3 bf bf bf", true},  {"ab 03 61 e0 a0", false},
      {"ab 02 61 c3", false},
  };
  for (const Case& c : cases) {
    const std::string out = morsel_tool({"decode", "--json", "--hex"}, c.bytes).out;
    EXPECT_EQ(out.find("{\"hex\":") == std::string::npos, c.text) << c.bytes << ": " << out;
  }
}

// JSON tools write -0 for a negative zero (jq does for 0 * -1): a float keeps its sign.
TEST(MorselTool, JsonNegativeZeroKeepsItsSign) {
  const Outcome encoded =
      morsel_tool({"encode", "--json", "--hex"},
                  "{\"kind\":\"f64\",\"value\":-0} {\"kind\":\"f32\",\"value\":-0}\n"
                  "{\"kind\":\"person\",\"value\":{\"age\":1,\"height\":-0}} "
                  "{\"kind\":\"f64[]\",\"value\":[0,-0]} {\"kind\":\"i32\",\"value\":-0}");
  EXPECT_EQ(encoded.err, "");
  EXPECT_EQ(encoded.out,
            "[ a9 80 0 0 0 0 0 0 0 a8 80 0 0 0 ae a2 1 a8 80 0 0 0 ac 2 a9 0 0 0 0 0 0 0 0 a9 80 "
            "0 0 0 0 0 0 0 a6 0 0 0 0 ]\n");
}

// Through jq, which reads every number as a double: every bit comes back.
TEST(MorselTool, JsonRoundTripsThroughJq) {
  morsel::writer out;
  out.write(18446744073709551614UL).write(-2L).write(std::bit_cast<float>(0x7FA12345U));
  out.write(std::bit_cast<double>(0x7FF00000000ABCDEUL)).write(-0.0);
  out.write(std::numeric_limits<double>::infinity()).write(-std::numeric_limits<float>::infinity());
  std::string high;
  for (int b = 0x80; b <= 0xFF; ++b) {
    high += static_cast<char>(b);
  }
  out.write(std::string_view(high)).write(std::vector<unsigned char>{0, 255});
  out.write("ends in a backslash\\").write(std::vector<std::string>{"\\\"", "\\\\"});
  out.write(std::vector<unsigned long>{9007199254740993UL, 1}).write(std::vector<double>{0.1});
  out.write(std::vector<std::string>{"\xe2\x82\xac", "\xc3"}).write(0.1F).write(16777217.0F);
  out.write(std::numeric_limits<float>::denorm_min()).write(std::numeric_limits<double>::max());
  out.write(Person{255, 3.4028235e38F, ""}).write(std::vector<unsigned long>{});
  Bytes bytes = out.take();
  const Bytes generic_four = morsel_test::hex("AB 04 77787978");
  bytes.insert(bytes.end(), generic_four.begin(), generic_four.end());
  const std::string tool = MORSEL_CLI_BIN;
  const Outcome through_jq = program_test::run(
      Invocation{.program = "/bin/sh",
                 .args = {"-c", tool + " decode --json | jq -c . | " + tool + " encode --json"},
                 .path = "/usr/local/bin:/usr/bin:/bin",
                 .input = text_of(bytes)});
  EXPECT_EQ(through_jq.err, "");
  EXPECT_EQ(through_jq.out, text_of(bytes));
  // The example message, too.
  const std::string example = std::string(MORSEL_EXAMPLES_DIR) + "/readings.hex";
  const Outcome printed = morsel_tool({"decode", "--hex", example});
  const Outcome example_through_jq = program_test::run(
      Invocation{.program = "/bin/sh",
                 .args = {"-c", tool + " decode --json --hex " + example + " | jq -c . | " + tool +
                                    " encode --json --hex"},
                 .path = "/usr/local/bin:/usr/bin:/bin"});
  EXPECT_EQ(example_through_jq.out, morsel_tool({"encode", "--hex"}, printed.out).out);
  EXPECT_EQ(example_through_jq.err, "");
}

struct Failure {
  std::vector<std::string> args;
  std::string input;
  int status;
  std::string err;       // exactly, or only its first line when it ends in "..."
  std::string out = {};  // what is written before the fault
};

void PrintTo(const Failure& f, std::ostream* out) {
  *out << f.err;
}

class MorselToolFailure : public testing::TestWithParam<Failure> {};

TEST_P(MorselToolFailure, ExitsWithItsStatusAndOneLineOfExplanation) {
  const Failure& f = GetParam();
  const Outcome outcome = morsel_tool(f.args, f.input);
  EXPECT_EQ(outcome.status, f.status);
  if (f.err.ends_with("...")) {
    EXPECT_EQ(outcome.err.substr(0, f.err.size() - 3), f.err.substr(0, f.err.size() - 3));
  } else {
    EXPECT_EQ(outcome.err, f.err);
  }
  if (f.status != 0) {
    EXPECT_EQ(outcome.out, f.out);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, MorselToolFailure,
    testing::Values(
        Failure{{}, "", 2, "morsel: a command is needed\nusage: morsel decode ..."},
        Failure{{"frob"}, "", 2, "morsel: unknown command 'frob'\nusage: ..."},
        Failure{{"frob", "--bogus"}, "", 2, "morsel: unknown command 'frob'\nusage: ..."},
        Failure{{"decode", "-x"}, "", 2, "morsel: unknown option '-x'\nusage: ..."},
        Failure{{"decode", ""}, "", 1, "morsel: '': No such file or directory\n"},
        Failure{{"encode", "--json"},
                "{\"kind\":\"u8\",\"value\":1} {\"kind\":",
                1,
                "morsel: line 1, column 33: syntax error while parsing value - unexpected end of "
                "input; expected '[', '{', or a literal\n",
                "\xA2\x01"},
        Failure{
            {"encode", "--json"},
            "\n {\"kind\":\"u8\",\"value\":[1]}",
            1,
            "morsel: line 2, column 2: value: expected an integer from 0 to 255, got an array\n"},
        Failure{
            {"encode", "--json"},
            "{\"kind\":\"f64[]\",\"value\":[1,\"nan:0x1\"]}",
            1,
            "morsel: line 1, column 1: value[1]: expected a number, or \"inf\", \"-inf\", \"-0\", "
            "\"nan\" or \"nan:0x\" and its bits, got a string\n"},
        Failure{
            {"encode", "--json"}, "[]", 1, "morsel: line 1, column 1: expected an object with ..."},
        Failure{{"encode", "--json"},
                "{\"kind\":\"string\",\"value\":{\"tag\":171,\"length\":1,\"string\":{"
                "\"tag\":170,\"length\":9,\"string\":\"x\"}}}",
                1,
                "morsel: line 1, column 1: value.string: expected a string or {\"hex\": "
                "\"...\"}, got an object\n"},
        Failure{{"encode", "--json"},
                "{\"kind\":\"string\",\"value\":" +
                    repeated("{\"tag\":171,\"length\":1,\"string\":", 100000) + "\"x\"" +
                    repeated("}", 100001),
                1,
                "morsel: line 1, column 15991: nested deeper than 516\n"},
        Failure{{"encode", "--json"},
                "{\"kind\":\"person\",\"value\":{\"age\":1,\"age\":2}}",
                1,
                "morsel: line 1, column 1: value: expected an object {\"age\": ..., \"height\": "
                "...}, got an object\n"},
        Failure{{"encode", "--json"},
                "{\"kind\":\"person\",\"value\":{\"age\":1,\"heigth\":2}}",
                1,
                "morsel: line 1, column 1: value: expected an object {\"age\": ..., \"height\": "
                "...}, got an object\n"},
        Failure{{"encode", "--json"},
                "{\"kind\":\"f32\",\"value\":1e39}",
                1,
                "morsel: line 1, column 1: value: expected a number an f32 holds, got the number "
                "1e39\n"},
        Failure{{"encode", "--json"},
                "{\"kind\":\"person\",\"value\":{\"age\":1,\"height\":-1e-50}}",
                1,
                "morsel: line 1, column 1: value.height: expected a number an f32 holds, got the "
                "number -1e-50\n"},
        Failure{{"encode", "--json"},
                "{\"kind\":\"f64[]\",\"value\":[1e-400]}",
                1,
                "morsel: line 1, column 1: value[0]: expected a number a double holds, got the "
                "number 1e-400\n"},
        Failure{
            {"encode", "--json"},
            repeated("{\"kind\":\"u8\",\"value\":1}", 20000) + "{\"kind\":\"f64\",\"value\":1e400}",
            1,
            "morsel: line 1, column 460023: the number 1e400 is out of range of a double\n",
            repeated("\xA2\x01", 20000)},
        Failure{{"encode"},
                "string <0xaa 3>\"abc\"",
                1,
                "morsel: line 1: tag 0xaa is for strings of 4 bytes only\n"},
        Failure{{"encode"},
                "string <0xac 4>\"abcd\"",
                1,
                "morsel: line 1, column 9: a string's tag is 0xaa or 0xab\n"},
        Failure{{"decode", "--bogus"}, "", 2, "morsel: unknown option '--bogus'\nusage: ..."},
        Failure{{"decode", "a", "b"}, "", 2, "morsel: one file at most\nusage: ..."},
        Failure{{"decode", "/nonexistent/file"},
                "",
                1,
                "morsel: /nonexistent/file: No such file or directory\n"},
        Failure{{"dump", "/"}, "", 1, "morsel: /: Is a directory\n"},
        Failure{{"encode", "/nonexistent/file"},
                "",
                1,
                "morsel: /nonexistent/file: No such file or directory\n"},
        Failure{{"encode", "--hex", "/nonexistent/file"},
                "",
                1,
                "morsel: /nonexistent/file: No such file or directory\n"},
        Failure{{"decode", "--hex"}, "a2 5g", 1, "morsel: line 1: '5g' is not hex\n"},
        Failure{
            {"decode", "--hex"}, "a2c", 1, "morsel: line 1: odd number of hex digits in 'a2c'\n"},
        Failure{{"decode", "--item"},
                "",
                1,
                "morsel: byte 0: expected an item, got the end of the input\n"},
        Failure{{"encode"},
                "u8 300",
                1,
                "morsel: line 1, column 4: expected an integer from 0 to 255, got '300'\n"},
        Failure{{"encode"}, "u16 1", 1, "morsel: line 1, column 1: unknown kind 'u16'\n"},
        Failure{{"encode"},
                "f64 1.5x",
                1,
                "morsel: line 1, column 5: expected a number, inf, -inf, nan or nan:0x and its "
                "bits, got '1.5x' (out of range, or not a number)\n"},
        Failure{
            {"encode", "--json"},
            "{\"kind\":\"string\",\"value\":{\"hex\":\"abc\"}}",
            1,
            "morsel: line 1, column 1: value.hex: expected pairs of hex digits, got a string\n"},
        Failure{{"encode", "--json"},
                "{\"kind\":\"string\",\"value\":{\"hex\":1}}",
                1,
                "morsel: line 1, column 1: value.hex: expected pairs of hex digits, got the number "
                "1\n"},
        Failure{{"encode"}, "u8 ~", 1, "morsel: line 1, column 4: unexpected character '~'\n"},
        Failure{
            {"encode"}, " \x7f", 1, "morsel: line 1, column 2: unexpected character byte 0x7f\n"},
        Failure{
            {"encode"}, "\x1f", 1, "morsel: line 1, column 1: unexpected character byte 0x1f\n"},
        Failure{{"encode", "--json"},
                "1e999",
                1,
                "morsel: line 1, column 1: the number 1e999 is out of range of a double\n"},

        Failure{{"encode"},
                "string \"a\\q\"",
                1,
                "morsel: line 1, column 10: unknown escape: use \\\" \\\\ \\n \\t or \\x and two "
                "hex digits\n"},
        Failure{{"encode"},
                "\n string <0xab 9>\"a\"",
                1,
                "morsel: line 2: a string's length byte here must be its length (1 byte)\n"},
        Failure{{"encode"},
                "extra [1]",
                1,
                "morsel: line 1: extra bytes follow a lone item only (encode --item)\n"},
        Failure{{"encode", "--item"},
                "u8 1 u8 2",
                1,
                "morsel: line 1: encode --item takes one item (and extra bytes after it)\n"}));

TEST(MorselTool, HelpAndVersionGoToStandardOutput) {
  const Outcome help = morsel_tool({"--help"});
  EXPECT_TRUE(help.out.starts_with("usage: morsel decode [--json] [--hex] [--item] [FILE]\n"));
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(morsel_tool({"--version"}).out, "morsel 0.1.0\n");
  const Outcome after_command = morsel_tool({"decode", "--help"});
  EXPECT_EQ(after_command.out, help.out);
  EXPECT_EQ(after_command.status, 0);
  // After "--" it is a file's name.
  const Outcome named = morsel_tool({"decode", "--", "--help"});
  EXPECT_EQ(named.err, "morsel: --help: No such file or directory\n");
  EXPECT_EQ(named.status, 1);
  // Empty text is an empty message.
  for (const char* format : {"--hex", "--json"}) {
    const Outcome empty = morsel_tool({"encode", format}, "");
    EXPECT_EQ(empty.out, std::string(format) == "--hex" ? "[ ]\n" : "") << format;
    EXPECT_EQ(empty.status, 0) << format;
  }
  EXPECT_EQ(morsel_tool({"encode"}, "").out, "");
}

// A closed or full standard output ends the run with status 1 and says so.
TEST(MorselTool, OutputThatCannotBeWritten) {
  struct Case {
    std::vector<std::string> args;
    Stdout mode;
    const char* err;
  };
  const std::string message = text_of(every_kind());
  for (const Case& c : {Case{{"decode"}, Stdout::closed, "Bad file descriptor"},
                        Case{{"dump"}, Stdout::full_device, "No space left on device"},
                        Case{{"encode", "--hex"}, Stdout::full_device, "No space left on device"},
                        Case{{"--help"}, Stdout::full_device, "write error"},
                        Case{{"decode", "-h"}, Stdout::full_device, "write error"}}) {
    const std::string input = c.args[0] == "encode" ? std::string(kEveryKind) : message;
    const Outcome outcome = morsel_tool(c.args, input, c.mode);
    EXPECT_EQ(outcome.err, std::string("morsel: standard output: ") + c.err + "\n") << c.args[0];
    EXPECT_EQ(outcome.status, 1) << c.args[0];
  }
}

}  // namespace

namespace {

// A message of several MiB, with arrays of every length: as the notation with each element on a
// line of its own (items that span lines, and parts of the input), and as JSON that jq spreads
// over lines. Both give the message back, encoded part by part.
TEST(MorselToolEncode, AnInputOfManyPartsGivesTheMessageBack) {
  morsel::writer out;
  for (unsigned int i = 0; i < 2000; ++i) {
    out.write(i).write(std::vector<double>(i % 97 == 0 ? 4000 : i % 7, 0.25 * i));
    out.write(std::string(i % 61 == 0 ? 3000 : 20, 's'));
  }
  out.write(std::vector<unsigned long>(100000, 7));  // shown as its u32 count and 100,000 items
  const Bytes bytes = out.take();
  const std::string decoded = morsel_tool({"decode"}, text_of(bytes)).out;
  std::string notation;  // the decoded text, with a line break after every comma
  for (const char c : decoded) {
    notation +=
        c == ' ' && notation.ends_with(',') ? std::string_view("\n  ") : std::string_view(&c, 1);
  }
  const Outcome from_notation = morsel_tool({"encode"}, notation);
  EXPECT_EQ(from_notation.err, "");
  EXPECT_TRUE(from_notation.out == text_of(bytes));
  const std::string tool = MORSEL_CLI_BIN;
  const Outcome through_jq = program_test::run(
      Invocation{.program = "/bin/sh",
                 .args = {"-c", tool + " decode --json | jq . | " + tool + " encode --json"},
                 .path = "/usr/local/bin:/usr/bin:/bin",
                 .input = text_of(bytes)});
  EXPECT_EQ(through_jq.err, "");
  EXPECT_TRUE(through_jq.out == text_of(bytes));
}

// One item larger than a part, with more of the input after it than a part holds: the part is
// made larger until the item is whole, and what follows is read as before.
TEST(MorselToolEncode, AnItemLargerThanAPart) {
  const Outcome outcome = morsel_tool(
      {"encode"}, "u64[] [" + repeated("7,\n", 400000) + "7]\n" + repeated("u32 1\n", 300000));
  morsel::writer out;
  out.write(std::vector<unsigned long>(400001, 7));
  for (int i = 0; i < 300000; ++i) {
    out.write(1U);
  }
  EXPECT_EQ(outcome.err, "");
  EXPECT_TRUE(outcome.out == text_of(out.take()));
}

// An empty array that ends one part of the text and the u8 item that starts the next walk as
// an empty byte array: the warning names the array's own line and byte.
TEST(MorselToolEncode, AWalkWarningAcrossParts) {
  // 209,713 lines of 5 bytes and one of 9 end 2 bytes short of the first part's 1 MiB.
  const Outcome outcome =
      morsel_tool({"encode"}, repeated("u8 1\n", 209713) + "u64[] []\nu8 160\n");
  EXPECT_EQ(outcome.err,
            "morsel: warning: line 209714: an empty u64 or f64 array followed by a u8 item whose "
            "value is a tag walks as an empty byte array: a reader of the next item (morsel "
            "decode) misreads from byte 419426\n");
  EXPECT_EQ(outcome.out.size(), 419430U);
}

// Bad text far into the input: the bytes of everything before it, then its line.
TEST(MorselToolEncode, BadTextAfterManyPartsStopsAfterWhatCameBefore) {
  const std::string good = repeated("u32 7\n", 400000);  // 2.4 MB
  const Outcome stopped = morsel_tool({"encode"}, good + "u32 x\nu32 8\n");
  EXPECT_EQ(stopped.status, 1);
  EXPECT_EQ(stopped.err,
            "morsel: line 400001, column 5: expected an integer from 0 to 4294967295, got 'x'\n");
  EXPECT_TRUE(stopped.out == repeated(std::string("\xA3\0\0\0\x07", 5), 400000));
}

// -o: the file is replaced only when all of the input is encoded; nothing else is left beside it.
TEST(MorselToolEncode, AnOutputFileIsReplacedOnlyWhenAllIsGood) {
  std::string dir = testing::TempDir() + "morsel-out-XXXXXX";
  ASSERT_NE(::mkdtemp(dir.data()), nullptr);
  const std::string file = dir + "/message.bin";
  EXPECT_EQ(morsel_tool({"encode", "-o", file}, "u32 7\n").status, 0);
  const auto contents = [&file] {
    const Outcome cat = program_test::run(Invocation{.program = "/bin/cat", .args = {file}});
    return cat.out;
  };
  EXPECT_EQ(contents(), std::string("\xA3\0\0\0\x07", 5));
  // Made as any new file is: readable and writable by all that the umask leaves.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  struct stat made {};
  ASSERT_EQ(::stat(file.c_str(), &made), 0);
  EXPECT_EQ(made.st_mode & 0777U, 0666U & ~mask);
  const Outcome failed = morsel_tool({"encode", "--output=" + file}, "u32 8\nu32 x\n");
  EXPECT_EQ(failed.status, 1);
  EXPECT_EQ(contents(), std::string("\xA3\0\0\0\x07", 5));
  // Started with standard input closed, the file made for the output does not take its number:
  // reading standard input fails, and the file stays as it was.
  const Outcome closed = program_test::run(
      Invocation{.program = "/bin/sh",
                 .args = {"-c", "exec \"$0\" encode -o \"$1\" <&-", MORSEL_CLI_BIN, file}});
  EXPECT_EQ(closed.err, "morsel: standard input: Bad file descriptor\n");
  EXPECT_EQ(closed.status, 1);
  EXPECT_EQ(contents(), std::string("\xA3\0\0\0\x07", 5));
  const Outcome listing = program_test::run(Invocation{.program = "/bin/ls", .args = {dir}});
  EXPECT_EQ(listing.out, "message.bin\n");
  EXPECT_EQ(morsel_tool({"encode", "-o", dir + "/missing/x.bin"}, "u32 7\n").err,
            "morsel: " + dir + "/missing/x.bin: No such file or directory\n");
  (void)::unlink(file.c_str());
  (void)::rmdir(dir.c_str());
}

}  // namespace

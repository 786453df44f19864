// faxsend through the private print server: a group of the current phonebook (made with
// faxbook), a typed number, a resolution and a delayed send give one job whose header carries
// the recipient window's items for the same recipients; the command line's refusals send
// nothing and say why.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "E2eFixture.h"
#include "FaxDialog.h"
#include "faxpde/RecipientRules.h"
#include "nx/ticket/recipient_ticket.h"

namespace nx::e2e {
namespace {

#if defined(NX_FAXSEND_PATH) && defined(NX_FAXBOOK_PATH)

class E2eFaxsend : public E2eTest {
 protected:
  // The user's folders (preferences, phonebook) and the server, for both tools.
  std::vector<std::string> Env(std::vector<std::string> extra = {}) const {
    extra.push_back(server_->client_env());
    extra.push_back("NX_USER_PREFS_DIR=" + work_.path() + "/prefs");
    extra.push_back("NX_ANY_USER_PREFS_DIR=" + work_.path() + "/anyprefs");
    extra.push_back("XDG_DATA_HOME=" + work_.path() + "/data");
    extra.push_back("HOME=" + work_.path());
    return extra;
  }
  CommandResult Faxbook(std::vector<std::string> args) {
    args.insert(args.begin(), NX_FAXBOOK_PATH);
    return RunCommand(args, Env());
  }
  CommandResult Faxsend(std::vector<std::string> args, std::vector<std::string> env = {}) {
    args.insert(args.begin(), NX_FAXSEND_PATH);
    return RunCommand(args, Env(std::move(env)));
  }
  // Ann and Bob in the group Team, and two individuals named Sam.
  void MakeBook() {
    for (const auto& [name, number] :
         {std::pair{"Ann", "0311112222"}, std::pair{"Bob", "0333334444"},
          std::pair{"Sam", "0355556666"}, std::pair{"Sam", "0377778888"}}) {
      const CommandResult r = Faxbook({"add-individual", "--name", name, "--address", number});
      ASSERT_EQ(r.status, 0) << r.output;
    }
    const CommandResult g =
        Faxbook({"add-group", "--name", "Team", "--member", "1", "--member", "2"});
    ASSERT_EQ(g.status, 0) << g.output;
  }
};

std::string RecipientLine(const nx::ticket::RecipientFields& fields) {
  std::string item;
  EXPECT_TRUE(nx::ticket::BuildRecipientItem(fields, {}, &item));
  return "@PJL SET JOBATTR=\"@FAEN=" + item.substr(5) + "\"\r\n";
}

nx::ticket::RecipientFields Entry(const char* name, const char* number) {
  nx::ticket::RecipientFields f;
  f.recodeType = 2;
  f.name = name;
  f.address = number;
  return f;
}

TEST_F(E2eFaxsend, AGroupAndANumberGoAsTheRecipientWindowWritesThemWithResolutionAndDelay) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax", {}));
  ASSERT_NO_FATAL_FAILURE(MakeBook());

  const std::time_t before = std::time(nullptr);
  const CommandResult sent =
      Faxsend({"--queue", "fax", "--to", "Team", "--to", "0312345678", "--resolution", "Fine",
               "--delay", "22:30", Document(2), "--wait"});
  const std::time_t after = std::time(nullptr);
  ASSERT_EQ(sent.status, 0) << sent.output;
  EXPECT_NE(sent.output.find(" completed\n"), std::string::npos) << sent.output;

  const DeviceStream stream = SplitDeviceStream(server_->DeviceOutput("fax"));
  ASSERT_TRUE(stream.ok) << stream.problem;
  // The items of the encoder for the same entries, which are those the phonebook window test
  // expects of the window; a typed number has no name.
  nx::ticket::RecipientFields typed;
  typed.address = "0312345678";
  const std::string recipients = RecipientLine(Entry("Ann", "0311112222")) +
                                 RecipientLine(Entry("Bob", "0333334444")) + RecipientLine(typed);
  EXPECT_EQ(recipients,
            "@PJL SET JOBATTR=\"@FAEN=0311112222{20}{30}{7QW5u}{}comment\"\r\n"
            "@PJL SET JOBATTR=\"@FAEN=0333334444{20}{30}{7Qm9i}{}comment\"\r\n"
            "@PJL SET JOBATTR=\"@FAEN=0312345678{20}{30}{}comment\"\r\n");
  const std::string lines = FaxLines(stream.header);
  EXPECT_NE(lines.find("@PJL SET RESOLUTION=200\r\n@PJL SET JOBATTR=\"@FARE=FINE\"\r\n"),
            std::string::npos)
      << Visible(lines);
  EXPECT_NE(lines.find("@PJL SET PAPER=A4\r\n" + recipients), std::string::npos) << Visible(lines);
  EXPECT_NE(lines.find("@PJL SET JOBATTR=\"@TRRE=ONERROR\"\r\n"), std::string::npos)
      << Visible(lines);
  // Dated as the job confirmation window dates it (the run may cross a minute).
  const std::string dated = "@PJL SET JOBATTR=\"@FATM=";
  const bool datedBefore = stream.header.find(dated + faxpde::DelayedSendDateText(before, 22, 30) +
                                              "\"\r\n") != std::string::npos;
  const bool datedAfter = stream.header.find(dated + faxpde::DelayedSendDateText(after, 22, 30) +
                                             "\"\r\n") != std::string::npos;
  EXPECT_TRUE(datedBefore || datedAfter) << Visible(stream.header);
  // One job, three recipient lines.
  std::size_t items = 0;
  for (std::size_t at = lines.find("@FAEN="); at != std::string::npos;
       at = lines.find("@FAEN=", at + 1))
    ++items;
  EXPECT_EQ(items, 3u);

  // A document the print system cannot convert ends the job without a fax: --wait says so.
  const std::string broken = work_.path() + "/broken.pdf";
  ASSERT_TRUE(WriteFile(broken, "%PDF-1.4\nnot a document\n"));
  const CommandResult failed = Faxsend({"--queue", "fax", "--to", "0312345678", "--wait", broken});
  EXPECT_EQ(failed.status, 5) << failed.output;
  EXPECT_TRUE(failed.output.find(" aborted\n") != std::string::npos ||
              failed.output.find(" stopped\n") != std::string::npos)
      << failed.output;
  EXPECT_EQ(stream.header.rfind("@PJL SET JOBATTR=\"@FCRD"),
            stream.header.find("@PJL SET JOBATTR=\"@FCRD"));
}

TEST_F(E2eFaxsend, ARefusedRecipientSendsNothingAndTheCommandLineSaysWhy) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax", {}));
  ASSERT_NO_FATAL_FAILURE(MakeBook());
  const std::string doc = Document(1);

  struct Case {
    const char* what;
    std::vector<std::string> args;
    int status;
    std::vector<std::string> said;  // in the output, in this order
  };
  const std::vector<Case> cases = {
      {"a number the item cannot carry, after a good group",
       {"--to", "Team", "--to", "0312{345"},
       1,
       {"0312{345", "Warning_Invalid_Input_Number_ID"}},
      {"a speed dial beyond the device's numbering",
       {"--to", "speed:2001"},
       1,
       {"Warning_Add_Recipient_to_List_Win_Range_Content_ID"}},
      {"an IP fax address on a device without IP fax",
       {"--to", "sip:fax@example.com"},
       1,
       {"Warning_Add_Recipient_SIP_Kit_Unsupport_Content_Title_ID"}},
      {"an unknown name", {"--to", "Nobody"}, 1, {"Nobody: no individual or group"}},
      {"an ambiguous name lists the candidates",
       {"--to", "sam"},
       1,
       {"ambiguous", "3\tSam\t0355556666", "4\tSam\t0377778888"}},
      {"a relay destination the window refuses",
       {"--to", "0312345678", "--relay", "7", "--relay-dest", "*5"},
       1,
       {"Warning_Communication_Settings_Win_Add_Relay_Fax_Invalid_Destination_ID_Content_ID"}},
      {"a missing queue",
       {"--queue", "nosuch", "--to", "0312345678"},
       3,
       {"nosuch: no such queue"}},
      {"a password on the command line",
       {"--to", "0312345678", "--fcode", "12", "--fcode-password=9876"},
       2,
       {"passwords are not taken from the command line"}},
      {"a recipient option before any recipient",
       {"--line", "extension", "--to", "0312345678"},
       2,
       {"--line belongs to a recipient"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    if (std::find(args.begin(), args.end(), "--queue") == args.end())
      args.insert(args.begin(), {"--queue", "fax"});
    args.push_back(doc);
    const CommandResult r = Faxsend(args);
    EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.output;
    std::size_t at = 0;
    for (const std::string& text : c.said) {
      at = r.output.find(text, at);
      EXPECT_NE(at, std::string::npos) << c.what << ": \"" << text << "\" missing from\n"
                                       << r.output;
      if (at == std::string::npos) break;
    }
    EXPECT_EQ(r.output.find("9876"), std::string::npos) << c.what << ": a password was repeated";
  }
  EXPECT_EQ(server_->DeviceOutput("fax"), "");

  // What goes instead, without sending: the protected forms only.
  const CommandResult dry =
      Faxsend({"--queue", "fax", "--to", "0312345678", "--mailbox", "7", "--dry-run", doc},
              {"FAXSEND_MAILBOX_PASSCODE=4321"});
  ASSERT_EQ(dry.status, 0) << dry.output;
  const pdehost::JobOptionList options = pdehost::ParseOptionString(dry.output);
  std::string item;
  for (const auto& [name, value] : options)
    if (name == TicketKey("DFRecipientListItemKeyTicket0")) item = value;
  EXPECT_EQ(item.rfind("FAEN=0312345678{20}{30}{40007", 0), 0u) << dry.output;
  EXPECT_EQ(dry.output.find("4321"), std::string::npos) << dry.output;

  // Accounting and secure print as the filter makes them of the standard IDs, the PIN protected.
  const CommandResult secure =
      Faxsend({"--queue", "fax", "--to", "0312345678", "--account-id", "A1", "--user-id", "bob",
               "--secure-print", "--dry-run", doc},
              {"FAXSEND_PIN=2468"});
  ASSERT_EQ(secure.status, 0) << secure.output;
  std::map<std::string, std::string> entries;
  for (const auto& [name, value] : pdehost::ParseOptionString(secure.output)) entries[name] = value;
  EXPECT_EQ(entries[TicketKey("PrintTypeTicketKey")], "2");
  EXPECT_EQ(entries[TicketKey("PrintTypeUserNameTicketKey")], "bob");
  EXPECT_FALSE(entries[TicketKey("PrintTypePasswordTicketKey")].empty());
  EXPECT_EQ(entries[TicketKey("JBAAccountIDTextEditTicket")], "A1");
  EXPECT_EQ(secure.output.find("2468"), std::string::npos) << secure.output;
  EXPECT_EQ(server_->DeviceOutput("fax"), "");
}

#if defined(NX_PDEHOST_PATH) && defined(NX_FAXPDE_BUNDLES_DIR)
// The same job from the panels (the dialog host playing the fax job scenario: Fine, "Abc" at a
// typed number, speed dial 12) and from faxsend: the same options, key for key.
TEST_F(E2eFaxsend, TheTicketIsTheOneThePanelsWriteForTheSameJob) {
  ASSERT_NO_FATAL_FAILURE(StartServer());
  ASSERT_NO_FATAL_FAILURE(AddFaxQueue("fax", {}));
  const CommandResult sent =
      Faxsend({"--queue", "fax", "--to", "0312345678", "--name", "Abc", "--to", "speed:12",
               "--resolution", "Fine", "--dry-run", Document(1)});
  ASSERT_EQ(sent.status, 0) << sent.output;
  const CommandResult dialog =
      RunCommand({NX_PDEHOST_PATH, "--queue", "fax", "--scenario",
                  SourcePath("tests/faxpde/scenarios/fax_job.json"), NX_FAXPDE_BUNDLES_DIR},
                 Env());
  ASSERT_EQ(dialog.status, 0) << dialog.output;
  auto lastLine = [](const std::string& output) {
    std::string text = output;
    while (!text.empty() && text.back() == '\n') text.pop_back();
    return text.substr(text.find_last_of('\n') + 1);
  };
  std::map<std::string, std::string> fromPanels, fromFaxsend;
  for (const auto& [name, value] : pdehost::ParseOptionString(lastLine(dialog.output)))
    fromPanels[name] = value;
  for (const auto& [name, value] : pdehost::ParseOptionString(lastLine(sent.output)))
    fromFaxsend[name] = value;
  EXPECT_EQ(fromFaxsend, fromPanels);
  EXPECT_EQ(fromFaxsend.size(), 18u);
}
#endif

#endif

}  // namespace
}  // namespace nx::e2e

// The simulated company's error recovery: responses kept by message-set id, status checks,
// clearing, and the faults that lose an answer before or after QuickBooks committed.

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "quickbooks/caught.h"
#include "quickbooks/change_answer.h"
#include "quickbooks/qb_error.h"
#include "quickbooks/qbxml.h"
#include "quickbooks/session.h"
#include "quickbooks/sim/simulated_company.h"
#include "quickbooks/sim_reply.h"
#include "support/temp_dir.h"

namespace vqb::qb::sim {
namespace {

using simtest::reply;
using test::Caught;
using test::caught;

const Caught kLost{kNotReachable, "Could not connect to QuickBooks: QuickBooks is not responding."};

std::string messageSet(const std::string& attributes, const std::string& body) {
  return "<?xml version=\"1.0\"?>\n<?qbxml version=\"3.0\"?>\n<QBXML><QBXMLMsgsRq "
         "onError=\"stopOnError\" " +
         attributes + ">" + body + "</QBXMLMsgsRq></QBXML>";
}

std::string addClass(const std::string& name) {
  return "<ClassAddRq requestID=\"1\"><ClassAdd><Name>" + name + "</Name></ClassAdd></ClassAddRq>";
}

std::string statusCheck(const std::string& id) {
  return messageSet("oldMessageSetID=\"" + id + "\"", "");
}

// The messageSetStatusCode of a response document.
long setStatus(const std::string& response) {
  pugi::xml_document doc;
  doc.load_string(response.c_str());
  return doc.child("QBXML").child("QBXMLMsgsRs").attribute("messageSetStatusCode").as_int(-1);
}

class SimMessageSetsTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  SimulatedCompany company = SimulatedCompany::create(dir.file("company.xml"), "Test Co");
};

TEST_F(SimMessageSetsTest, KeepsTheResponseByIdAcrossARestartAndAnswersAStatusCheck) {
  const std::string sent = company.process(messageSet("newMessageSetID=\"A1\"", addClass("East")));
  EXPECT_EQ(setStatus(sent), 0);
  EXPECT_EQ(reply(sent).code(), 0);

  SimulatedCompany restarted(dir.file("company.xml"));
  EXPECT_EQ(restarted.storedMessageSets(), std::vector<std::string>{"A1"});
  const std::string checked = restarted.process(statusCheck("A1"));
  EXPECT_EQ(setStatus(checked), 0);
  EXPECT_EQ(reply(checked).field("Name"), "East");
  EXPECT_EQ(reply(checked).field("ListID"), reply(sent).field("ListID"));

  // The same set sent again is answered from the kept response, not carried out twice.
  EXPECT_EQ(reply(restarted.process(messageSet("newMessageSetID=\"A1\"", addClass("East")))).code(),
            0);
  EXPECT_EQ(restarted.list(Kind::Class).size(), 1u);
}

TEST_F(SimMessageSetsTest, StatusOfSetsNotKeptAndOfARefusedOne) {
  EXPECT_EQ(setStatus(company.process(statusCheck("never-sent"))), kNoStoredResponse);
  company.process(messageSet("newMessageSetID=\"B1\"", addClass("East")));
  company.process(messageSet("newMessageSetID=\"B2\"", addClass("West")));
  company.clearMessageSets();
  EXPECT_EQ(setStatus(company.process(statusCheck("B1"))), kNoStoredResponse);

  company.process(messageSet("newMessageSetID=\"B3\"", addClass("North")));
  company.process(messageSet("oldMessageSetID=\"ClearAllMessageSets\"", ""));
  EXPECT_TRUE(company.storedMessageSets().empty());

  // An id longer than QuickBooks keeps is refused before anything is carried out.
  const std::string tooLong(kMessageSetIdLength + 1, 'x');
  EXPECT_EQ(setStatus(company.process(
                messageSet("newMessageSetID=\"" + tooLong + "\"", addClass("South")))),
            kInvalidMessageSetId);
  EXPECT_FALSE(company.findByName(Kind::Class, "South"));

  // A refused request is kept with its status.
  company.addClass("Held");
  company.process(messageSet("newMessageSetID=\"C1\"", addClass("Held")));
  EXPECT_EQ(reply(company.process(statusCheck("C1"))).code(), 3100);
}

struct FaultCase {
  const char* name;
  void (*inject)(SimulatedCompany&);
  bool committed;  // the class is in the company afterwards
};

const FaultCase kFaultCases[] = {
    {"AnswerDroppedAfterCommit", [](SimulatedCompany& c) { c.dropAnswerOf("ClassAddRq"); }, true},
    {"FailBeforeCommit",
     [](SimulatedCompany& c) { c.failRequest("ClassAddRq", kNotReachable, ""); }, false},
    {"NthRequestCommittedThenLost", [](SimulatedCompany& c) { c.failOnce(1, true); }, true},
    {"NthRequestRefused", [](SimulatedCompany& c) { c.failOnce(1, false); }, false},
};

class SimFaultTest : public SimMessageSetsTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(SimFaultTest, TheAnswerIsLostAndTheStatusCheckTellsWhatHappened) {
  company.process(messageSet("", "<HostQueryRq/>"));  // answered before the fault
  GetParam().inject(company);
  if (std::string(GetParam().name).starts_with("Nth"))
    company.process(messageSet("", "<HostQueryRq/>"));  // the one request answered first
  EXPECT_EQ(
      caught([&] { company.process(messageSet("newMessageSetID=\"D1\"", addClass("East"))); }),
      kLost);
  // Other requests are answered: a one-time fault fires once, a kind's fault hits that kind.
  EXPECT_EQ(reply(company.process(messageSet("", "<HostQueryRq/>"))).code(), 0);
  company.clearFaults();
  EXPECT_EQ(company.findByName(Kind::Class, "East").has_value(), GetParam().committed);
  const std::string checked = company.process(statusCheck("D1"));
  EXPECT_EQ(setStatus(checked), GetParam().committed ? 0 : kNoStoredResponse);
  if (GetParam().committed) {
    EXPECT_EQ(reply(checked).field("Name"), "East");
  }
}

INSTANTIATE_TEST_SUITE_P(Faults, SimFaultTest, ::testing::ValuesIn(kFaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The gateway's side: adds and modifications go with a fresh id; queries go without one.
TEST_F(SimMessageSetsTest, TheSessionStampsEachChangeAndAsksForItsStatus) {
  Session session(company);
  std::vector<std::string> sent, answered;
  session.setChangeWatcher(
      {[&](const std::string& id, const std::string& request) {
         sent.push_back(id);
         EXPECT_NE(request.find("newMessageSetID=\"" + id + "\""), std::string::npos);
       },
       [&](const std::string& id, const std::string&) { answered.push_back(id); }});
  session.exchange(messageSet("", "<HostQueryRq/>"));
  EXPECT_TRUE(sent.empty());
  session.exchange(messageSet("", addClass("East")));
  session.exchange(messageSet("", addClass("West")));
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_NE(sent[0], sent[1]);
  EXPECT_EQ(answered, sent);
  EXPECT_EQ(session.lastMessageSetId(), sent[1]);
  for (const std::string& id : sent) EXPECT_LE(id.size(), kMessageSetIdLength);
  EXPECT_EQ(company.storedMessageSets(), sent);

  const MessageSetStatus kept = session.messageSetStatus(sent[0]);
  EXPECT_EQ(kept.code, 0);
  EXPECT_EQ(reply(kept.response).field("Name"), "East");
  EXPECT_EQ(session.messageSetStatus("gone").code, kNoStoredResponse);

  // A lost answer reaches the watcher's sending side only.
  company.dropAnswerOf("ClassAddRq");
  EXPECT_EQ(caught([&] { session.exchange(messageSet("", addClass("North"))); }), kLost);
  EXPECT_EQ(sent.size(), 3u);
  EXPECT_EQ(answered.size(), 2u);
  company.clearFaults();
  EXPECT_EQ(reply(session.messageSetStatus(sent[2]).response).field("Name"), "North");
}

// An add carried out whose answer arrives spoilt: the session cannot tell what happened and
// says why; the kept response still tells. A readable refusal is told as a refusal.
struct SpoiltCase {
  const char* garbling;
  const char* why;  // after "QuickBooks' answer could not be read: "; "@" stands for the set
};

const SpoiltCase kSpoilt[] = {
    {kGarbage, "it is not readable XML (Could not determine tag type at offset 12)."},
    {kCutInHalf, "it is not readable XML (Start-end tags mismatch at offset #)."},
    {kNoAnswer, "there is no answer."},
    {kOtherKind, "it holds no ClassAddRs element."},
    {kOtherRequestId, "it answers another request (requestID \"10\")."},
    {kOtherMessageSet, "it answers another message set (@)."},
};

TEST_F(SimMessageSetsTest, ASpoiltAnswerToAnAddIsNeitherDoneNorRefused) {
  Session session(company);
  for (const SpoiltCase& c : kSpoilt) {
    session.exchange(messageSet("", addClass(std::string("Before ") + c.garbling)));
    const std::string before = session.lastMessageSetId();
    company.garbleAnswerOf("ClassAddRq", c.garbling);
    const std::string name = std::string("Spoilt ") + c.garbling;
    std::string why = c.why;
    if (why.find('@') != std::string::npos) why.replace(why.find('@'), 1, before);
    Caught got = caught([&] { session.exchange(messageSet("", addClass(name))); });
    // Where a cut answer ends depends on the length of its times: "#" stands for the offset.
    if (why.find('#') != std::string::npos)
      got.description =
          std::regex_replace(got.description, std::regex("offset [0-9]+"), "offset #");
    EXPECT_EQ(got, (Caught{kMalformedResponse, "QuickBooks' answer could not be read: " + why}))
        << c.garbling;
    company.clearFaults();
    EXPECT_TRUE(company.findByName(Kind::Class, name).has_value()) << c.garbling;
    const MessageSetStatus kept = session.messageSetStatus(session.lastMessageSetId());
    const std::string sent =
        messageSet("newMessageSetID=\"" + session.lastMessageSetId() + "\"", addClass(name));
    const ChangeAnswer read = read_change_answer(sent, kept.response);
    EXPECT_EQ(read.outcome, ChangeAnswer::kDone) << c.garbling;
    EXPECT_NE(read.record.find("<Name>" + name + "</Name>"), std::string::npos) << read.record;
  }
  company.failRequest("ClassAddRq", 3180, "Not saved");
  EXPECT_EQ(read_change_answer(messageSet("", addClass("Refused")),
                               company.process(messageSet("", addClass("Refused"))))
                .outcome,
            ChangeAnswer::kRefused);
  // What an answer echoes is told without what a terminal would act on.
  EXPECT_EQ(read_change_answer(messageSet("", addClass("X")),
                               "<QBXML><QBXMLMsgsRs><ClassAddRs requestID=\"\x1b[2J\" "
                               "statusCode=\"0\"/></QBXMLMsgsRs></QBXML>")
                .why,
            "it answers another request (requestID \"[2J\")");
}

}  // namespace
}  // namespace vqb::qb::sim

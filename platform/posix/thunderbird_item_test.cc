#include "platform/posix/thunderbird_item.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/run_error.h"
#include "tests/support/temp_folder.h"

namespace wrenpost {
namespace {

using ::testing::ElementsAre;

struct ThunderbirdItemTest : ::testing::Test {
  std::vector<ComposeDraft> opened;
  test_support::TempFolder folder{"wrenpost-item"};
  std::filesystem::path dir = folder.path();
  std::unique_ptr<AutomationObject> application;

  void SetUp() override {
    application = CreateThunderbirdApplication(
        [this](const ComposeDraft& draft) { opened.push_back(draft); }, dir.string());
  }

  std::unique_ptr<AutomationObject> NewItem() {
    const AutomationArgument mail = std::int16_t{0};
    return application->CallMethod("CreateItem", {&mail, 1});
  }
  // Adds to a collection; a recipient's Type is set when one is given.
  static void Add(AutomationObject& item, std::string_view collection, const std::string& value,
                  std::optional<std::int32_t> type = std::nullopt) {
    const AutomationArgument argument = value;
    auto added = item.GetProperty(collection)->CallMethod("Add", {&argument, 1});
    EXPECT_EQ(added != nullptr, collection == "Recipients") << "what Add answers for " << collection;
    if (type) added->PutProperty("Type", *type);
  }
  static std::int32_t ErrorNumber(const std::function<void()>& call) {
    try {
      call();
    } catch (const RunError& error) {
      return error.number;
    }
    return 0;
  }
};

TEST_F(ThunderbirdItemTest, CollectsEverythingAndOpensOnceWhenReleasedAfterDisplay) {
  std::ofstream(dir / "a.pdf") << "x";
  auto item = NewItem();
  ASSERT_NE(item, nullptr);
  item->PutProperty("Subject", std::string("Oferta"));
  item->PutProperty("HtmlBody", std::string("<b>x</b>"));
  Add(*item, "Attachments", "a.pdf");
  item->CallMethod("Display", {});
  Add(*item, "Recipients", "anna");
  Add(*item, "Recipients", "szef", 3);
  Add(*item, "Recipients", "");
  Add(*item, "Recipients", "ksiegowa", 2);
  Add(*item, "Recipients", "jan", 1);
  EXPECT_TRUE(opened.empty()) << "Thunderbird takes all fields at once: nothing opens before the release";

  item->Release();
  item->Release();
  ASSERT_EQ(opened.size(), 1u);
  const ComposeDraft& draft = opened[0];
  EXPECT_EQ(draft.subject, "Oferta");
  EXPECT_EQ(draft.body, "<b>x</b>");
  EXPECT_EQ(draft.format, BodyFormat::kHtml);
  EXPECT_THAT(draft.attachment_paths, ElementsAre((dir / "a.pdf").string()));
  EXPECT_THAT(draft.recipients, ElementsAre("anna", "", "jan"));
  EXPECT_THAT(draft.cc_recipients, ElementsAre("ksiegowa"));
  EXPECT_THAT(draft.bcc_recipients, ElementsAre("szef"));
}

TEST_F(ThunderbirdItemTest, AnItemNeverDisplayedOpensNothing) {
  auto item = NewItem();
  item->PutProperty("Subject", std::string("x"));
  item->Release();
  application->Release();
  item.reset();
  EXPECT_TRUE(opened.empty());
}

TEST_F(ThunderbirdItemTest, TheLastBodySetDecidesTheFormat) {
  auto item = NewItem();
  item->PutProperty("HtmlBody", std::string("<p>a</p>"));
  item->PutProperty("Body", std::string("zwykły"));
  item->CallMethod("Display", {});
  item->Release();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].body, "zwykły");
  EXPECT_EQ(opened[0].format, BodyFormat::kText);
}

TEST_F(ThunderbirdItemTest, ASenderHasNoAccountAndGoesOutAsTheFromAddress) {
  auto session = application->GetProperty("Session");
  EXPECT_EQ(session->GetProperty("Accounts")->ReadProperty("Count"), AutomationValue(std::int32_t{0}));
  auto item = NewItem();
  item->PutProperty("SentOnBehalfOfName", std::string("biuro@firma.pl"));
  item->CallMethod("Display", {});
  item->Release();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].from, "biuro@firma.pl");
}

TEST_F(ThunderbirdItemTest, BodyReadsAnswerWhatTheDraftHolds) {
  auto item = NewItem();
  const auto read = [&](std::string_view member) { return item->ReadProperty(member); };
  EXPECT_EQ(read("BodyFormat"), AutomationValue(std::int32_t{1}));
  EXPECT_EQ(read("HtmlBody"), AutomationValue(std::string()));
  item->PutProperty("HtmlBody", std::string("<p>a</p>"));
  EXPECT_EQ(read("BodyFormat"), AutomationValue(std::int32_t{2}));
  EXPECT_EQ(read("HtmlBody"), AutomationValue(std::string("<p>a</p>")));
  EXPECT_EQ(read("Body"), AutomationValue(std::string()));
  item->PutProperty("Body", std::string("b"));
  EXPECT_EQ(read("Body"), AutomationValue(std::string("b")));
  EXPECT_EQ(read("HtmlBody"), AutomationValue(std::string()));
}

TEST_F(ThunderbirdItemTest, FailuresOfTheOpenerReachTheCaller) {
  application = CreateThunderbirdApplication(
      [](const ComposeDraft&) { throw RunError(2, "No such file or directory"); }, dir.string());
  auto item = NewItem();
  item->CallMethod("Display", {});
  EXPECT_EQ(ErrorNumber([&] { item->Release(); }), 2);
}

TEST_F(ThunderbirdItemTest, WrongMembersAndArgumentsRaiseNumberedErrors) {
  auto item = NewItem();
  const AutomationArgument text = std::string("x");
  const AutomationArgument number = std::int16_t{1};
  const AutomationArgument no_match = std::string("*.brak");
  const std::vector<std::pair<std::function<void()>, std::int32_t>> cases = {
      {[&] { item->PutProperty("To", text); }, errors::kUnknownMember},
      {[&] { item->GetProperty("Body"); }, errors::kUnknownMember},
      {[&] { item->CallMethod("Send", {}); }, errors::kUnknownMember},
      {[&] { item->PutProperty("Subject", number); }, errors::kTypeMismatch},
      {[&] { item->CallMethod("Display", {&text, 1}); }, errors::kInvalidCall},
      {[&] { item->GetProperty("Recipients")->CallMethod("Add", {}); }, errors::kInvalidCall},
      {[&] { item->GetProperty("Recipients")->CallMethod("Remove", {&text, 1}); }, errors::kUnknownMember},
      {[&] { item->GetProperty("Attachments")->CallMethod("Add", {&number, 1}); }, errors::kTypeMismatch},
      {[&] { item->GetProperty("Attachments")->CallMethod("Add", {&no_match, 1}); }, ENOENT},
      {[&] { application->CallMethod("CreateItem", {&number, 1}); }, errors::kInvalidCall},
      {[&] { application->CallMethod("CreateItem", {&text, 1}); }, errors::kInvalidCall},
      {[&] { application->GetProperty("Explorers"); }, errors::kUnknownMember},
      {[&] { application->GetProperty("Session")->GetProperty("Accounts")->CallMethod("Item", {&number, 1}); },
       errors::kSubscriptOutOfRange},
      {[&] { item->ReadProperty("To"); }, errors::kUnknownMember},
      {[&] { item->PutReference("SendUsingAccount", *item); }, errors::kUnknownMember},
      {[&] { item->PutProperty("SentOnBehalfOfName", number); }, errors::kTypeMismatch},
      {[&] { item->GetProperty("Recipients")->CallMethod("Add", {&text, 1})->PutProperty("Type", std::int32_t{4}); },
       errors::kInvalidCall},
      {[&] { item->GetProperty("Recipients")->CallMethod("Add", {&text, 1})->PutProperty("Type", text); },
       errors::kTypeMismatch},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(ErrorNumber(cases[i].first), cases[i].second) << "case " << i;
  }
}

}  // namespace
}  // namespace wrenpost

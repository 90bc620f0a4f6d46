#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "scanner/GibbsDP.h"

namespace {

std::unique_ptr<SITEINFO> MakeSite(int pos)
{
    auto node = std::make_unique<SITEINFO>();
    node->pos = pos;
    node->site = "ACGT";
    return node;
}

std::unique_ptr<MODULEINFO> MakeModule(int start)
{
    auto node = std::make_unique<MODULEINFO>();
    node->start = start;
    node->sites = "+1(0)";
    return node;
}

std::vector<int> SitePositions(const SITEINFO* head)
{
    std::vector<int> out;
    for (const SITEINFO* n = head->next.get(); n; n = n->next.get())
        out.push_back(n->pos);
    return out;
}

std::vector<int> ModuleStarts(const MODULEINFO* head)
{
    std::vector<int> out;
    for (const MODULEINFO* n = head->next.get(); n; n = n->next.get())
        out.push_back(n->start);
    return out;
}

constexpr int kLongList = 1000000;

}  // namespace

// --- scanner shell -----------------------------------------------------------

TEST(ScannerShellTest, ConstructorDefaults)
{
    const CGibbsDP dp;
    EXPECT_EQ(dp.motifNum, 1);
    EXPECT_EQ(dp.moduleLength, 200);
    EXPECT_TRUE(dp.bothStrands);
    EXPECT_TRUE(dp.motifWidth.empty());
    EXPECT_TRUE(dp.siteCount.empty());
    EXPECT_TRUE(dp.siteList.empty());
    EXPECT_EQ(dp.moduleList, nullptr);
    EXPECT_EQ(dp.seq.GetLength(), 0);
    EXPECT_EQ(dp.cmdLine.GetLength(), 0);
}

TEST(ScannerShellTest, DestroyingAnUnusedScannerIsSafe)
{
    auto dp = std::make_unique<CGibbsDP>();
    dp.reset();
    SUCCEED();
}

TEST(ScannerShellTest, FreeMemeryReleasesEverythingAndMayRunTwice)
{
    CGibbsDP dp;
    dp.motifNum = 2;
    dp.motifWidth = {6, 8};
    dp.siteCount = {1, 2, 0};
    dp.siteList.resize(2);
    dp.siteList[0] = std::make_unique<SITEINFO>();
    CGibbsDP::AddSite(dp.siteList[0].get(), MakeSite(4));
    dp.moduleList = std::make_unique<MODULEINFO>();
    CGibbsDP::AddSite(dp.moduleList.get(), MakeModule(0));

    dp.FreeMemery();
    EXPECT_TRUE(dp.motifWidth.empty());
    EXPECT_TRUE(dp.siteCount.empty());
    EXPECT_TRUE(dp.siteList.empty());
    EXPECT_EQ(dp.moduleList, nullptr);

    dp.FreeMemery();
    EXPECT_EQ(dp.moduleList, nullptr);
}

// --- list insertion and release --------------------------------------------------

TEST(ResultListTest, AddSiteInsertsDirectlyAfterHead)
{
    SITEINFO head;
    EXPECT_EQ(head.next, nullptr);
    // A traceback runs from the end of the sequence towards its start.
    for (int pos : {30, 20, 10})
        CGibbsDP::AddSite(&head, MakeSite(pos));
    EXPECT_EQ(SitePositions(&head), (std::vector<int>{10, 20, 30}));

    // Inserting after an inner node splices it in there.
    CGibbsDP::AddSite(head.next.get(), MakeSite(15));
    EXPECT_EQ(SitePositions(&head), (std::vector<int>{10, 15, 20, 30}));
}

TEST(ResultListTest, AddModuleInsertsDirectlyAfterHead)
{
    MODULEINFO head;
    EXPECT_EQ(head.start, -1);
    EXPECT_EQ(head.score, 0.0);
    EXPECT_EQ(head.sites.GetLength(), 0);
    for (int start : {3, 2, 1})
        CGibbsDP::AddSite(&head, MakeModule(start));
    EXPECT_EQ(ModuleStarts(&head), (std::vector<int>{1, 2, 3}));
}

TEST(ResultListTest, DeletingNullListsIsAllowed)
{
    std::unique_ptr<SITEINFO> sites;
    std::unique_ptr<MODULEINFO> modules;
    CGibbsDP::DelSiteHead(sites);
    CGibbsDP::DelModHead(modules);
    EXPECT_EQ(sites, nullptr);
    EXPECT_EQ(modules, nullptr);
}

TEST(ResultListTest, DeletingAListReleasesHeadAndTail)
{
    auto head = std::make_unique<SITEINFO>();
    for (int pos : {3, 2, 1})
        CGibbsDP::AddSite(head.get(), MakeSite(pos));
    CGibbsDP::DelSiteHead(head);
    EXPECT_EQ(head, nullptr);

    auto modules = std::make_unique<MODULEINFO>();
    CGibbsDP::AddSite(modules.get(), MakeModule(0));
    CGibbsDP::DelModHead(modules);
    EXPECT_EQ(modules, nullptr);
}

TEST(ResultListTest, MillionNodeListsAreReleasedWithoutDeepRecursion)
{
    auto sites = std::make_unique<SITEINFO>();
    auto modules = std::make_unique<MODULEINFO>();
    for (int i = kLongList; i > 0; --i) {
        CGibbsDP::AddSite(sites.get(), MakeSite(i));
        CGibbsDP::AddSite(modules.get(), MakeModule(i));
    }
    EXPECT_EQ(sites->next->pos, 1);
    CGibbsDP::DelSiteHead(sites);
    CGibbsDP::DelModHead(modules);
    EXPECT_EQ(sites, nullptr);
    EXPECT_EQ(modules, nullptr);
}

TEST(ResultListTest, ScannerDestructorReleasesMillionNodeLists)
{
    auto dp = std::make_unique<CGibbsDP>();
    dp->siteList.resize(1);
    dp->siteList[0] = std::make_unique<SITEINFO>();
    dp->moduleList = std::make_unique<MODULEINFO>();
    for (int i = 0; i < kLongList; ++i) {
        CGibbsDP::AddSite(dp->siteList[0].get(), MakeSite(i));
        CGibbsDP::AddSite(dp->moduleList.get(), MakeModule(i));
    }
    dp.reset();
    SUCCEED();
}

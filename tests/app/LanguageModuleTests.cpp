// The language module in-process: it supplies the windows' layouts and the
// texts, and a module borrowed as the resource module is never released.
#include "AppFixtures.h"

#include "app/ReInit.h"
#include "forms/Resources.h"

namespace {

// The language module is built apart from the program.
std::string LanguageModulePath() { return BinDir() + "..\\lang\\TORLANG.DLL"; }

} // namespace

TEST_F(App, BorrowedModulesAreNeverReleased) {
    // With a language module as the resource module and no libraries in the
    // folder, both loaders borrow it, and closing must leave it loaded.
    HINSTANCE language = LoadLanguageModule(LanguageModulePath());
    ASSERT_NE(language, nullptr);
    auto* form = CreateForm<TQorVarnoqForm>(Application());
    form->ReleaseResourceModules();
    form->ChooseResourceModules("Z:\\no-such-folder\\");
    EXPECT_FALSE(form->StringModuleLoaded);
    EXPECT_FALSE(form->IconModuleLoaded);
    EXPECT_EQ(IconModule, ResourceModule());
    delete form;
    EXPECT_EQ(ResourceModule(), language);
    EXPECT_FALSE(LoadResString(65001).empty()) << "the language module was released";
    SwapResourceModule(MainInstance());
}

TEST_F(App, LanguageModuleSuppliesLayoutsAndTexts) {
    ASSERT_NE(LoadLanguageModule(LanguageModulePath()), nullptr);
    auto* form = CreateForm<TQorVarnoqForm>(Application());
    EXPECT_EQ(form->CancelButton->Caption(), "Abbrechen");
    EXPECT_EQ(form->PageControl1->Pages(0)->Caption(), "Tasten");
    EXPECT_EQ(FormText(stReadError), "Fehler beim Lesen des Datenstroms");
    delete form;
    SwapResourceModule(MainInstance());
    EXPECT_EQ(FormText(stReadError), "Stream read error");
    EXPECT_EQ(LoadLanguageModule(BinDir() + "NOSUCH.DLL"), nullptr);
    EXPECT_EQ(ResourceModule(), MainInstance());
}

#include "app/title_form.h"

#include "app/forms.h"
#include "app/job_control.h"
#include "app/menu_form.h"
#include "core/host.h"
#include "core/settings.h"
#include "core/subroutines.h"
#include "resource_ids.h"

namespace lorvane {
namespace {

tk::Font boldGothic(float points) {
    tk::Font font;
    font.Name = L"ＭＳ Ｐゴシック";
    font.Size = points;
    font.Bold = true;
    font.Charset = tk::charset::ShiftJis;
    return font;
}

void place(tk::Label& label, float left, float top, float width, float height, const std::wstring& caption,
           tk::Alignment alignment = tk::Alignment::Left) {
    label.Move(left, top, width, height);
    label.Caption(caption);
    label.alignment = alignment;
}

}  // namespace

TitleForm::TitleForm() {
    borderStyle = tk::BorderStyle::FixedDialog;
    ControlBox = false;
    MinButton = false;
    MaxButton = false;
    centerOnScreen = true;
    clientSize(7380, 4245);

    fraTitle.Move(150, 60, 7080, 4050);
    imgLogo.Move(360, 795, 1815, 2385);
    imgLogo.pictureResource = IDI_LOGO;
    imgLogo.Stretch = true;

    lblCompanyProduct.Move(2355, 705, 3000, 435);
    lblCompanyProduct.Font(boldGothic(18));
    lblProductName.Move(2520, 1140, 2430, 765);
    lblProductName.Font(boldGothic(32.25f));
    lblPlatform.Move(5580, 2340, 1275, 360);
    lblPlatform.Font(boldGothic(15.75f));
    lblPlatform.alignment = tk::Alignment::Right;
    lblVersion.Move(5970, 2700, 885, 285);
    lblVersion.Font(boldGothic(12));
    lblVersion.alignment = tk::Alignment::Right;
    for (tk::Label* label : {&lblCompanyProduct, &lblProductName, &lblPlatform, &lblVersion}) label->AutoSize = true;

    place(lblTagline, 120, 240, 6855, 255, L"テープバックアップ自動実行の設定ツール", tk::Alignment::Right);
    place(lblCopyright, 4560, 3060, 2415, 255, L"Copyright (C) 2026");
    place(lblAuthor, 4560, 3320, 2415, 255, L"ロルヴェイン工房");
    place(lblNotice, 150, 3660, 6855, 195, L"システムの設定を変更します。管理者として実行してください。");
}

void TitleForm::Form_Load() {
    if (sifCheckOs.OSPlatform() != 2) {
        MsgBox(L"このｿﾌﾄは、Windows NT用です。", mb::Critical);
        tk::EndProgram();
    }
    if (tk::PrevInstance()) {
        // An earlier instance still on its title screen has no window to find; end quietly then.
        // Enter goes only to the earlier instance's main menu once it is in front: never to
        // a dialog, whose focused button it would press, nor to a question, which only the
        // user may answer, nor to another program in front.
        if (tk::ActivateWindowByTitle(tk::AppTitle()) == tk::WindowFound::TakesInput) tk::SendEnterAndWait();
        tk::EndProgram();
    }
    const tk::VersionInfo version = tk::AppVersion();
    lblCompanyProduct.Caption(version.companyName);
    lblProductName.Caption(tk::AppTitle());
    lblPlatform.Caption(L"For Windows NT");
    lblVersion.Caption(versionText(version));
}

void TitleForm::Form_Resize() {
    // Painted now: the wait below lets no window message through.
    Refresh();
    subSetStartValues(mdlMain());
    // On the copy path the registered job is edited, not typed again.
    startFromRegisteredJob(mdlMain());
    subWait(4);
}

void TitleForm::Form_Activate() {
    frmMenu->Show();
    Unload();
}

std::wstring versionText(const tk::VersionInfo& version) {
    return L"ﾊﾞｰｼﾞｮﾝ " + std::to_wstring(version.major) + L"." + std::to_wstring(version.minor) + L"." +
           std::to_wstring(version.revision);
}

}  // namespace lorvane

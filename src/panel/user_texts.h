#pragma once
// Every text the features show the user in a message box or a tooltip, word
// for word: boxes' texts and titles, the TREC tooltip, the waiting text and
// the history file picker's.

#include <QString>

namespace kurumin::msg {

inline QString secondInstanceText() {
    return QStringLiteral("このアプリケーションはすでに開かれています。\r\n"
                          "重複起動の防止のため、起動をキャンセルします。");
}
inline QString secondInstanceTitle() {
    return QStringLiteral("Kurumin Error_01 [二重起動の防止]");
}

inline QString limiterText() {
    return QStringLiteral("数値リミッタが作動中です。");
}
inline QString limiterTitle() {
    return QStringLiteral("Kurumin　Erroｒ_02");
}

inline QString pickText() {
    return QStringLiteral("数値を抽出できません。");
}
inline QString pickTitle() {
    return QStringLiteral("Kurumin Error_03");
}

inline QString rangeWidthText() {
    return QStringLiteral("桁数の違う連番ＵＲＬを指定していませんか？\r\n"
                          "対応できない例：　[0-20]\r\n"
                          "このまま実行可能ですが、エラーになる可能性があります。");
}
inline QString rangeWidthTitle() {
    return QStringLiteral("Kurumin Error_04");
}

// UP and DWN say "動作を"; the count buttons and step windows do not.
inline QString stepFailedText() {
    return QStringLiteral("無効な動作が要求されたので、動作をキャンセルします。\r\n"
                          "要求した命令に間違いがないか確認してください。");
}
inline QString countFailedText() {
    return QStringLiteral("無効な動作が要求されたので、キャンセルします。\r\n"
                          "要求した命令に間違いがないか確認してください。");
}
inline QString stepFailedTitle() {
    return QStringLiteral("Kurumin　Error_06");
}

inline QString accessText() {
    return QStringLiteral("アクセスできませんでした。\r\n"
                          "ブラウザ もしくは Net環境の設定を確認してください。");
}
inline QString accessTitle() {
    return QStringLiteral("Kurumin　Error_08");
}

inline QString noPageToKeepText() {
    return QStringLiteral("URLが取得できません。\r\n"
                          "Keepするブラウザのウィンドウをアクティブにした後\r\n"
                          "もう一度[KEEP]ボタンを押して下さい。");
}
inline QString noPageToKeepTitle() {
    return QStringLiteral("Kurumin　Erroｒ_07");
}

inline QString deleteEntryText() {
    return QStringLiteral("選択中のリストを削除します");
}
inline QString deleteEntryTitle() {
    return QStringLiteral("「Kurumin」確認メッセージ");
}

// The keep list stays changed in memory; the user must know the file did not.
inline QString keepFileText() {
    return QStringLiteral("URL.iniに書き込めませんでした。\r\n"
                          "リストはKuruminを終了するまで保持されます。");
}
inline QString keepFileTitle() {
    return QStringLiteral("Kurumin Error_14");
}

inline QString noPageToRecordText() {
    return QStringLiteral("履歴を残すブラウザのページを特定できません。\r\n"
                          "履歴を残したいブラウザのウィンドウをアクティブにした後\r\n"
                          "もう一度[ＴREC]ボタンを押して下さい。");
}
inline QString noPageToRecordTitle() {
    return QStringLiteral("Kurumin　Erroｒ_12");
}

// REC names the folder in ordinary letters, TREC in full-width ones.
inline QString historyWriteText(bool withTitle) {
    return withTitle ? QStringLiteral("書込みできませんでした。\r\n"
                                      "アプリケーションと同階層に「ＲＥＣ」フォルダが存在するか確認"
                                      "して下さい。")
                     : QStringLiteral("書込みできませんでした。\r\n"
                                      "アプリケーションと同階層に「REC」フォルダが存在するか確認し"
                                      "て下さい。");
}
inline QString historyWriteTitle() {
    return QStringLiteral("Kurumin Error_13");
}

// Once a run, when pages go to the desktop's opener for want of a browser
// the panel can drive.
inline QString browserNotDrivenText() {
    return QStringLiteral(
        "ブラウザを操作できないため、ページはデスクトップの既定の方法で開きます。\r\n"
        "表示中のページを取得できないので、KEEP・REC・TRECは使えません。");
}
inline QString browserNotDrivenTitle() {
    return QStringLiteral("Kurumin");
}

// The TREC tooltip while no page is captured, and its lead-in when one is.
inline QString noTitleTip() {
    return QStringLiteral("ブラウザページタイトル取得情報なし");
}
inline QString titleTip(const QString& title) {
    return QStringLiteral("【タイトル付きＵＲＬ保存】　") + title;
}

// txtNow while the clipboard holds no text.
inline QString waitingText() {
    return QStringLiteral(" 　- 待機中 -");
}

inline QString historyPickerTitle() {
    return QStringLiteral("履歴テキストの確認");
}
inline QString historyPickerFilter() {
    return QStringLiteral("履歴テキスト(*.txt)|*.txt|すべて(*.*)|*.*");
}

} // namespace kurumin::msg

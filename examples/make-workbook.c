/* Writes examples/events.xlsx, the example workbook (needs libxlsxwriter):
 *   cc make-workbook.c $(pkg-config --cflags --libs xlsxwriter) -o /tmp/make-workbook
 *   /tmp/make-workbook events.xlsx
 */
#include <stdio.h>
#include <xlsxwriter.h>

struct event {
    const char *id, *category, *name, *place, *note;
    int year, month, day, hour, minute;
    double price;
};

static const struct event events[] = {
    {"E001", "音楽", "春の弦楽四重奏", "みなと市民ホール", "全席自由です。\n未就学児は入場できません。", 2025, 4, 12, 14, 0, 2500},
    {"E002", "音楽", "ジャズ & ワインの夕べ", "カフェ・ル・ポン", "ワン・ドリンク付き。\n<20歳未満の方はソフトドリンク>", 2025, 4, 19, 18, 30, 3800},
    {"E003", "音楽", "子どものための吹奏楽", "みなと市民ホール 小ホール", "親子でどうぞ。", 2025, 5, 3, 11, 0, 0},
    {"E004", "工房", "藍染めハンカチ教室", "ひかり工房", "材料費込み。\nエプロンをお持ちください。\n定員12名。", 2025, 4, 26, 10, 0, 4200},
    {"E005", "工房", "はじめての陶芸", "ひかり工房", "焼き上がりは約1か月後に発送します。", 2025, 5, 10, 13, 0, 5500},
    {"E006", "食", "朝市と和菓子づくり", "駅前広場", "雨天決行。\n「練り切り」を2個作ります。", 2025, 5, 17, 9, 0, 1800},
    {"E007", "食", "地酒の飲み比べ", "酒蔵 つきのわ", "20歳以上の方に限ります。", 2025, 5, 24, 15, 0, 3000},
};

int main(int argc, char **argv)
{
    const char *path = argc > 1 ? argv[1] : "events.xlsx";
    lxw_workbook *book = workbook_new(path);
    if (!book) {
        fprintf(stderr, "cannot create %s\n", path);
        return 1;
    }
    lxw_worksheet *sheet = workbook_add_worksheet(book, "イベント");
    lxw_format *date = workbook_add_format(book);
    format_set_num_format(date, "yyyy\"年\"m\"月\"d\"日\"(aaa) h:mm");
    lxw_format *yen = workbook_add_format(book);
    format_set_num_format(yen, "\"¥\"#,##0;;\"無料\"");
    lxw_format *wrap = workbook_add_format(book);
    format_set_text_wrap(wrap);

    const char *heads[] = {"番号", "区分", "イベント名", "日時", "会場", "料金", "説明"};
    for (int c = 0; c < 7; ++c)
        worksheet_write_string(sheet, 0, (lxw_col_t)c, heads[c], NULL);
    for (int i = 0; i < (int)(sizeof events / sizeof events[0]); ++i) {
        const struct event *e = &events[i];
        lxw_row_t r = (lxw_row_t)(i + 1);
        lxw_datetime when = {e->year, e->month, e->day, e->hour, e->minute, 0};
        worksheet_write_string(sheet, r, 0, e->id, NULL);
        worksheet_write_string(sheet, r, 1, e->category, NULL);
        worksheet_write_string(sheet, r, 2, e->name, NULL);
        worksheet_write_datetime(sheet, r, 3, &when, date);
        worksheet_write_string(sheet, r, 4, e->place, NULL);
        worksheet_write_number(sheet, r, 5, e->price, yen);
        worksheet_write_string(sheet, r, 6, e->note, wrap);
    }
    worksheet_set_column(sheet, 2, 2, 24, NULL);
    worksheet_set_column(sheet, 3, 3, 26, NULL);
    worksheet_set_column(sheet, 4, 4, 24, NULL);
    worksheet_set_column(sheet, 6, 6, 40, NULL);

    lxw_worksheet *info = workbook_add_worksheet(book, "案内");
    worksheet_write_string(info, 0, 0, "みなと町 春のイベント案内 2025", NULL);
    worksheet_write_string(info, 1, 0, "お問い合わせ: みなと町観光協会 (03-0000-0000)", NULL);

    return workbook_close(book) == LXW_NO_ERROR ? 0 : 1;
}

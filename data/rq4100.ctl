# rq4100.ctl: tags of the HTML forms.
#
# TAG section: one tag per line, four fields:
#   name (as the forms write it)  type  key of the input line  description
# Types: S single value, V label list, P value list (pairs with V), M multi-line
# text, F figure, G graph. A key beginning with "@" stands for every key of the key
# list of that name (KEY section below).
TAG
$PRJ  S  PRJ  プロジェクト名
$DTD  S  DTD  出力日
$SYS  S  SYS  システム名
$LGT  M  LGT  説明
$TLN  S  TLN  チャートの題名
$FIG  F  FIG  チャートの画像
$INF  M  @INFO  プロジェクト情報
//
KEY INFO
SYS
LGT
//
/

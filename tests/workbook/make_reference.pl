# Writes a reference book with Spreadsheet::WriteExcel for the reader tests.
# Usage: perl make_reference.pl FILE
use strict;
use warnings;
use Spreadsheet::WriteExcel;

my $book = Spreadsheet::WriteExcel->new($ARGV[0]) or die "cannot create $ARGV[0]\n";
my $s = $book->add_worksheet('Data');
my $t = $book->add_worksheet('Second');
$s->write_string(0, 0, 'hello');
$s->write_number(0, 1, 7);
$s->write_number(0, 2, 1.5);
$s->write_number(0, 3, -123456.25);
$s->write_string(1, 0, 'world');
$s->write_number(1, 1, 1e-7);
$s->write_blank(1, 2, $book->add_format(bold => 1));
$s->write_string(2, 4, "\x{65E5}\x{672C}");
for my $r (0 .. 99) { $t->write_number(5 + $r * 2, $r % 4, $r * 3) }
$s->set_column(1, 1, 20);
$s->set_row(1, 30);
$book->close();

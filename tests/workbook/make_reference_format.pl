# Writes a book with Spreadsheet::WriteExcel whose A1 carries a font, a number format,
# borders and a pattern, and whose first sheet has a page setup and margins.
# Usage: perl make_reference_format.pl FILE
use strict;
use warnings;
use Spreadsheet::WriteExcel;

my $book = Spreadsheet::WriteExcel->new($ARGV[0]) or die "cannot create $ARGV[0]\n";
my $s = $book->add_worksheet('Data');
my $f = $book->add_format(
    font => 'Courier New', size => 14, color => 10, bold => 1, italic => 1,
    font_strikeout => 1, underline => 1, num_format => '0.000',
    align => 'center', valign => 'top', text_wrap => 1,
    border => 2, border_color => 12, pattern => 1, fg_color => 13);
$s->write_number(0, 0, 3.25, $f);
$s->write_number(1, 0, 4);
$s->set_paper(11);
$s->set_landscape();
$s->set_print_scale(75);
$s->set_margin_left(0.5);
$s->set_margin_right(1.5);
$s->set_margin_top(1.0);
$s->set_margin_bottom(0.75);
$book->close();
